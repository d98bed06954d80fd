// The string map against a model of its rules: chains in bucket order with the newest entry
// first, lookups of text or integer keys, replacement, deleting the current entry while iterating
// (the next step continues after it), clearing, copying, and making the map anew.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/window/string_map.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Entry {
    std::u16string text;
    int64_t integer;
    uint64_t value;  // the element's first 8 bytes
};

// The current entry is buckets[bucket][index]; without an index the next step starts at the head
// of the bucket after this one.
struct Model {
    int32_t bucketCount;
    bool caseInsensitive;
    bool integerKeys;
    std::vector<std::vector<Entry>> buckets;  // each chain from its head
    int32_t bucket = -1;
    int64_t index = -1;

    bool hasCurrent() const { return bucket >= 0 && index >= 0; }
    Entry& current() { return buckets[static_cast<size_t>(bucket)][static_cast<size_t>(index)]; }

    static char16_t folded(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit; }
    std::u16string keyOf(std::u16string text) const {
        if (caseInsensitive) {
            for (char16_t& unit : text) {
                unit = folded(unit);
            }
        }
        return text;
    }
    int32_t bucketOf(const Entry& key) const {
        if (integerKeys) {
            return static_cast<int32_t>(((key.integer % bucketCount) + bucketCount) % bucketCount);
        }
        uint32_t hash = 0;
        for (char16_t unit : keyOf(key.text)) {
            hash = hash * 65599u + unit;
        }
        return static_cast<int32_t>(hash % static_cast<uint32_t>(bucketCount));
    }
    bool same(const Entry& a, const Entry& b) const { return integerKeys ? a.integer == b.integer : keyOf(a.text) == keyOf(b.text); }

    Entry* find(const Entry& key) {
        const int32_t at = bucketOf(key);
        std::vector<Entry>& chain = buckets[static_cast<size_t>(at)];
        for (size_t i = 0; i < chain.size(); ++i) {
            if (same(chain[i], key)) {
                bucket = at;
                index = static_cast<int64_t>(i);
                return &chain[i];
            }
        }
        return nullptr;
    }
    Entry& add(const Entry& key) {
        bucket = bucketOf(key);
        index = 0;
        std::vector<Entry>& chain = buckets[static_cast<size_t>(bucket)];
        chain.insert(chain.begin(), key);
        return chain.front();
    }
    Entry* next() {
        if (hasCurrent() && index + 1 < static_cast<int64_t>(buckets[static_cast<size_t>(bucket)].size())) {
            ++index;
            return &current();
        }
        for (int32_t at = bucket + 1; at < bucketCount; ++at) {
            if (!buckets[static_cast<size_t>(at)].empty()) {
                bucket = at;
                index = 0;
                return &current();
            }
        }
        bucket = bucketCount - 1;
        index = -1;
        return nullptr;
    }
    // The entry before the deleted one becomes current; at a chain's head, none does.
    Entry* deleteCurrent() {
        if (!hasCurrent()) {
            return nullptr;
        }
        std::vector<Entry>& chain = buckets[static_cast<size_t>(bucket)];
        chain.erase(chain.begin() + index);
        --index;
        if (index < 0) {
            --bucket;
            return nullptr;
        }
        return &current();
    }
    size_t size() const {
        size_t count = 0;
        for (const auto& chain : buckets) {
            count += chain.size();
        }
        return count;
    }
};

Entry makeKey(FuzzedDataProvider& input) {
    static constexpr char16_t kUnits[] = u"abAB0";
    static constexpr int64_t kIntegers[] = {INT64_MIN, -7, -1, 0, 1, 5, 8, INT64_MAX};
    Entry key{u"", input.PickValueInArray(kIntegers), 0};
    for (auto length = input.ConsumeIntegralInRange(0, 3); length > 0; --length) {
        key.text.push_back(kUnits[input.ConsumeIntegralInRange(0, 4)]);
    }
    return key;
}

uint64_t valueOf(const void* element) {
    uint64_t value = 0;
    std::memcpy(&value, element, sizeof(value));
    return value;
}

void checkElement(const void* element, const Entry* expected) {
    require((element == nullptr) == (expected == nullptr), "element found");
    require(element == nullptr || valueOf(element) == expected->value, "element value");
}

void checkCurrent(const StringMap* map, Model& model) {
    require(map->entryCount == static_cast<int32_t>(model.size()), "entry count");
    if (!model.hasCurrent()) {
        require(MapCurrentKey(map) == nullptr && MapCurrentIntegerKey(map) == 0, "no current entry");
    } else if (model.integerKeys) {
        require(MapCurrentIntegerKey(map) == model.current().integer, "current integer key");
    } else {
        require(MapCurrentKey(map) != nullptr && MapCurrentKey(map) == model.current().text, "current key");
    }
}

void checkAll(StringMap* map, Model& model) {
    MapRewind(map);
    model.bucket = -1;
    model.index = -1;
    for (;;) {
        const void* element = MapNext(map);
        const Entry* expected = model.next();
        checkElement(element, expected);
        checkCurrent(map, model);
        if (element == nullptr) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    RuntimeHeapCreate();
    MapInit();
    const auto bucketCount = input.ConsumeIntegralInRange<int32_t>(1, 6);
    const uint32_t flags = input.ConsumeBool() ? kMapIntegerKeys : (input.ConsumeBool() ? kMapCaseInsensitive : 0u);
    const auto elementSize = static_cast<int64_t>(8 * input.ConsumeIntegralInRange(1, 3));
    Model model{bucketCount, (flags & kMapCaseInsensitive) != 0, (flags & kMapIntegerKeys) != 0,
                std::vector<std::vector<Entry>>(static_cast<size_t>(bucketCount))};
    StringMap* map = nullptr;
    const StringMap* made = MapCreate(elementSize, 0, nullptr, &map, bucketCount, flags);
    require(made != nullptr && made == map, "map made");
    uint64_t nextValue = 1;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 7)) {
            case 0:
            case 1: {
                const Entry key = makeKey(input);
                const int32_t mode = input.ConsumeBool() ? kMapAddReplace : kMapAddNew;
                const bool nullKey = !model.integerKeys && key.text.empty() && input.ConsumeBool();  // as ""
                void* element = model.integerKeys ? MapAddInteger(map, key.integer, mode)
                                                  : MapAdd(map, nullKey ? nullptr : key.text.c_str(), mode);
                Entry* expected = mode == kMapAddReplace ? model.find(key) : nullptr;
                if (expected != nullptr) {
                    expected->value = 0;  // reused, starting empty
                } else {
                    expected = &model.add(key);
                }
                checkElement(element, expected);
                expected->value = nextValue++;
                std::memcpy(element, &expected->value, sizeof(expected->value));
                break;
            }
            case 2: {
                const Entry key = makeKey(input);
                const bool nullKey = !model.integerKeys && key.text.empty() && input.ConsumeBool();
                const void* element = model.integerKeys ? MapFindInteger(map, key.integer)
                                                        : MapFind(map, nullKey ? nullptr : key.text.c_str());
                checkElement(element, model.find(key));
                break;
            }
            case 3: checkElement(MapNext(map), model.next()); break;
            case 4: checkElement(MapDeleteCurrent(map), model.deleteCurrent()); break;
            case 5:
                MapRewind(map);
                model.bucket = -1;
                model.index = -1;
                break;
            case 6:  // emptied, or made anew in its variable, which frees the old map first
                if (input.ConsumeBool()) {
                    MapClear(map);
                } else {
                    made = MapCreate(elementSize, 0, nullptr, &map, bucketCount, flags);
                    require(made != nullptr && made == map, "map made anew");
                }
                for (auto& chain : model.buckets) {
                    chain.clear();
                }
                model.bucket = -1;
                model.index = -1;
                break;
            default: {  // copied through the container table: same chains, iteration rewound
                auto* copy = static_cast<StringMap*>(ContainerTableGet(kContainerMap)->copy(map));
                require(copy != nullptr, "copy made");
                MapFree(map);
                map = copy;
                model.bucket = -1;
                model.index = -1;
                break;
            }
        }
        checkCurrent(map, model);
    }
    checkAll(map, model);
    ContainerTableGet(kContainerMap)->free(map);
    RuntimeHeapDestroy();
    return 0;
}
