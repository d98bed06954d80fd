// Image codecs: the list of image file decoders, each registered under a tag and recognising its
// files by their first bytes. Start-up registers the bitmap-file decoder.
#pragma once

#include <cstddef>
#include <cstdint>

using CodecCheck = bool (*)(const uint8_t* data, size_t size);  // true when the data is this format

struct ImageCodec {
    char16_t tag[8];  // "BMP", ...
    CodecCheck check;
};

constexpr int32_t kMaximumCodecs = 8;

struct ImageCodecList {
    int32_t decoderCount;
    ImageCodec decoders[kMaximumCodecs];
};

void ImageCodecInit();
void BmpDecoderInit();
bool ImageCodecRegister(const char16_t* tag, CodecCheck check);  // false when the list is full
const ImageCodec* ImageCodecFind(const uint8_t* data, size_t size);  // null when none recognises it
ImageCodecList* ImageCodecListGet();
