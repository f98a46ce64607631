// The Linux back end: Debian's libjpeg-turbo, libpng, giflib and libtiff, and the program's own
// BMP and ICO readers where no library is at hand.

#include "picture/picture_codec_posix.h"

#include "picture/picture_bmp.h"

bool platformDecode(const uint8_t* data, size_t size, int format, const PictureSizeHint& hint, DecodedPicture& out)
{
    switch (format) {
    case kFormatJpeg: return decodeJpeg(data, size, hint, out);
    case kFormatPng: return decodePng(data, size, out);
    case kFormatGif: return decodeGif(data, size, out);
    case kFormatTiff: return decodeTiff(data, size, out);
    case kFormatBmp: return decodeBmp(data, size, out);
    case kFormatIco: return decodeIco(data, size, out);
    default: return false;
    }
}

RowDecode platformDecodeRows(const ByteSource& source, int format, const PictureSizeHint& hint,
                             RowReceiver& receiver)
{
    switch (format) {
    case kFormatJpeg: return decodeJpegRows(source, hint, receiver);
    case kFormatPng: return decodePngRows(source, receiver);
    case kFormatTiff: return decodeTiffRows(source, receiver);
    case kFormatBmp: return decodeBmpRows(source, receiver);
    case kFormatGif: return decodeGifRows(source, receiver);
    default: return RowDecode::Unsupported;
    }
}

bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out)
{
    switch (format) {
    case kFormatJpeg: return encodeJpeg(in, out);
    case kFormatPng: return encodePng(in, out);
    case kFormatGif: return encodeGif(in, out);
    case kFormatBmp: return encodeBmp(in, out);
    default: return false;
    }
}
