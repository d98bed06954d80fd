// The container table with lists and arrays, memory blocks and the codec list: facilities the
// application never calls but whose start-up and shutdown run in every process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/core/array.h"
#include "runtime/core/containers.h"
#include "runtime/core/image_codec.h"
#include "runtime/core/list.h"
#include "runtime/core/memory_block.h"
#include "runtime/core/runtime_heap.h"

namespace {

class LesserFacilities : public ::testing::Test {
protected:
    void SetUp() override { RuntimeHeapCreate(); }
    void TearDown() override { RuntimeHeapDestroy(); }
};

TEST_F(LesserFacilities, ListsCopyTheirElementsAndGoThroughTheContainerTable) {
    ListInit();
    const ContainerOps* ops = ContainerTableGet(kContainerList);
    ASSERT_NE(ops, nullptr);
    auto* list = static_cast<LinkedList*>(ops->create(sizeof(int64_t)));
    ASSERT_NE(list, nullptr);
    for (int64_t i = 0; i < 40; ++i) {  // more than one pool block
        auto* element = static_cast<int64_t*>(ListAddElement(list));
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(*element, 0) << "new elements start zero-filled";
        *element = i * i;
    }
    auto* copy = static_cast<LinkedList*>(ops->copy(list));
    ops->free(list);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->count, 40);
    int64_t i = 0;
    for (void* element = ListFirst(copy); element != nullptr; element = ListNextOf(element), ++i) {
        EXPECT_EQ(*static_cast<int64_t*>(element), i * i);
    }
    EXPECT_EQ(i, 40);
    ops->free(copy);
    ops->free(nullptr);
}

TEST_F(LesserFacilities, ArraysResizeWithZeroFilledGrowthAndCopy) {
    ArrayInit();
    const ContainerOps* ops = ContainerTableGet(kContainerArray);
    ASSERT_NE(ops, nullptr);
    auto* array = static_cast<ValueArray*>(ops->create(3));
    ASSERT_NE(array, nullptr);
    ASSERT_TRUE(ArrayResize(array, 2));
    std::memcpy(ArrayElement(array, 1), "abc", 3);
    ASSERT_TRUE(ArrayResize(array, 5));
    EXPECT_EQ(std::memcmp(ArrayElement(array, 1), "abc", 3), 0);
    EXPECT_EQ(std::memcmp(ArrayElement(array, 4), "\0\0\0", 3), 0);
    EXPECT_EQ(ArrayElement(array, 5), nullptr);
    EXPECT_EQ(ArrayElement(array, -1), nullptr);
    EXPECT_FALSE(ArrayResize(array, INT64_MAX)) << "a size that overflows is refused";
    EXPECT_EQ(array->count, 5);
    auto* copy = static_cast<ValueArray*>(ops->copy(array));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy->elements, array->elements, 15), 0);
    ops->free(array);
    ops->free(copy);
}

TEST_F(LesserFacilities, MemoryBlocksComeZeroedAndGoWithTheFacility) {
    EXPECT_EQ(MemoryBlockAllocate(16), nullptr) << "nothing before the facility starts";
    MemoryBlockInit();
    auto* block = static_cast<unsigned char*>(MemoryBlockAllocate(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(block[i], 0);
    }
    MemoryBlockAllocate(128);  // left for the end procedure to free with the heap
    MemoryBlockFree(block);
    MemoryBlockEnd();
    EXPECT_EQ(MemoryBlockAllocate(16), nullptr);
}

TEST_F(LesserFacilities, TheBitmapDecoderRecognisesBitmapFilesOnly) {
    ImageCodecInit();
    BmpDecoderInit();
    ASSERT_EQ(ImageCodecListGet()->decoderCount, 1);
    uint8_t bitmapFile[54] = {'B', 'M'};
    bitmapFile[14] = 40;
    const ImageCodec* codec = ImageCodecFind(bitmapFile, sizeof(bitmapFile));
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(std::u16string(codec->tag), u"BMP");
    uint8_t notBitmap[54] = {'G', 'I', 'F'};
    EXPECT_EQ(ImageCodecFind(notBitmap, sizeof(notBitmap)), nullptr);
    EXPECT_EQ(ImageCodecFind(bitmapFile, 10), nullptr) << "too short to hold the headers";
}

}  // namespace
