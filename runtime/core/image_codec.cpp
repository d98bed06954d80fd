// The codec list and the bitmap-file decoder's registration. Relies on state records.
#include "runtime/core/image_codec.h"

#include "runtime/core/registry.h"

static ImageCodecList* gCodecs = nullptr;

void ImageCodecInit() {
    gCodecs = static_cast<ImageCodecList*>(StateRecordCreate(sizeof(ImageCodecList), nullptr));
}

// A bitmap file starts with "BM" and a 14-byte file header followed by a 40-byte or larger
// information header.
static bool isBitmapFile(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 18 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    uint32_t headerSize = data[14] | (data[15] << 8) | (data[16] << 16) | (static_cast<uint32_t>(data[17]) << 24);
    return headerSize >= 12 && headerSize <= 124;
}

void BmpDecoderInit() { ImageCodecRegister(u"BMP", isBitmapFile); }

bool ImageCodecRegister(const char16_t* tag, CodecCheck check) {
    if (gCodecs == nullptr || gCodecs->decoderCount >= kMaximumCodecs) {
        return false;
    }
    ImageCodec& codec = gCodecs->decoders[gCodecs->decoderCount];
    size_t i = 0;
    for (; tag[i] != 0 && i + 1 < sizeof(codec.tag) / sizeof(codec.tag[0]); ++i) {
        codec.tag[i] = tag[i];
    }
    codec.tag[i] = 0;
    codec.check = check;
    ++gCodecs->decoderCount;
    return true;
}

const ImageCodec* ImageCodecFind(const uint8_t* data, size_t size) {
    if (gCodecs == nullptr) {
        return nullptr;
    }
    for (int32_t i = 0; i < gCodecs->decoderCount; ++i) {
        if (gCodecs->decoders[i].check(data, size)) {
            return &gCodecs->decoders[i];
        }
    }
    return nullptr;
}

ImageCodecList* ImageCodecListGet() { return gCodecs; }
