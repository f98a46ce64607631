#pragma once
// The codecs of the Linux back end, one file each, reached through picture_codec_posix.cpp.

#include "picture/picture_codec.h"

RowDecode decodeJpegRows(const ByteSource& source, const PictureSizeHint& hint, RowReceiver& receiver);
bool decodeJpeg(const uint8_t* data, size_t size, const PictureSizeHint& hint, DecodedPicture& out);
bool encodeJpeg(const EncodeInput& in, std::vector<uint8_t>& out);
RowDecode decodePngRows(const ByteSource& source, RowReceiver& receiver);
bool decodePng(const uint8_t* data, size_t size, DecodedPicture& out);
bool encodePng(const EncodeInput& in, std::vector<uint8_t>& out);
// The first frame by rows (an interlaced one keeps its colour indices whole, a byte a pixel).
RowDecode decodeGifRows(const ByteSource& source, RowReceiver& receiver);
bool decodeGif(const uint8_t* data, size_t size, DecodedPicture& out);
bool encodeGif(const EncodeInput& in, std::vector<uint8_t>& out);
RowDecode decodeTiffRows(const ByteSource& source, RowReceiver& receiver);
bool decodeTiff(const uint8_t* data, size_t size, DecodedPicture& out);
