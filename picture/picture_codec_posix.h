#pragma once
// The codecs of the Linux back end, one file each, reached through picture_codec_posix.cpp.

#include "picture/picture_codec.h"

RowDecode decodeJpegRows(const ByteSource& source, const PictureSizeHint& hint, RowReceiver& receiver);
RowDecode decodePngRows(const ByteSource& source, RowReceiver& receiver);
bool encodePng(const EncodeInput& in, std::vector<uint8_t>& out);
// The first frame by rows (an interlaced one keeps its colour indices whole, a byte a pixel).
RowDecode decodeGifRows(const ByteSource& source, RowReceiver& receiver);
bool encodeGif(const EncodeInput& in, std::vector<uint8_t>& out);
RowDecode decodeTiffRows(const ByteSource& source, RowReceiver& receiver);
