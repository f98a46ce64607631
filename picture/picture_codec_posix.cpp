// The Linux back end: Debian's libjpeg-turbo, libpng, giflib and libtiff, and the program's own
// BMP and ICO readers where no library is at hand.

#include "picture/picture_codec_posix.h"

#include "picture/picture_bmp.h"

RowDecode platformDecodeRows(const ByteSource& source, int format, const PictureSizeHint& hint, RowReceiver& receiver)
{
    switch (format) {
    case kFormatJpeg: return decodeJpegRows(source, hint, receiver);
    case kFormatPng: return decodePngRows(source, receiver);
    case kFormatTiff: return decodeTiffRows(source, receiver);
    case kFormatBmp: return decodeBmpRows(source, receiver);
    case kFormatGif: return decodeGifRows(source, receiver);
    case kFormatIco: return decodeIcoRows(source, receiver);
    default: receiver.explain("no reader for this kind of picture"); return RowDecode::Unsupported;
    }
}

bool platformEncode(const EncodeInput& in, int format, std::vector<uint8_t>& out)
{
    switch (format) {
    case kFormatPng: return encodePng(in, out);
    case kFormatGif: return encodeGif(in, out);
    case kFormatBmp: return encodeBmp(in, out);
    default: return false;
    }
}
