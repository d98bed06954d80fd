// The temporary string stack against a model of its rules: positions, the growth and shrinking of
// the capacity, text-returning operations, and texts appended from anywhere, the stack included.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr int32_t kUnknown = -1;         // a character the model does not know
constexpr int64_t kMostBytes = 3 << 19;  // keeps each run fast; the shrinking starts at 1 MiB

// The buffer as far as its contents are known: the capacity plus 10 bytes, in characters.
struct Model {
    int64_t position = 0;
    int64_t capacity = 16;
    std::vector<int32_t> units = std::vector<int32_t>(13, kUnknown);

    void reserve(int64_t count, int64_t base) {
        const int64_t end = position + 2 * count;
        if (end >= capacity - 4) {
            capacity = end + 16384;
        } else if (capacity > 1048576) {
            capacity = std::max<int64_t>(end, 1048576);
        }
        units.resize(static_cast<size_t>((capacity + 10) / 2), kUnknown);  // a shrink loses the rest
        position = base + 2 * count;
    }
    void write(int64_t at, const std::u16string& text) {
        std::copy(text.begin(), text.end(), units.begin() + at / 2);
        units[static_cast<size_t>(at / 2) + text.size()] = 0;
    }
    void append(const std::u16string& text) {
        const int64_t at = position;
        reserve(static_cast<int64_t>(text.size()), at);
        write(at, text);
    }
    // The text at a byte offset, when every character up to its terminator is known.
    bool textAt(int64_t at, std::u16string& text) const {
        text.clear();
        for (size_t i = static_cast<size_t>(at / 2); i < units.size(); ++i) {
            if (units[i] <= 0) {
                return units[i] == 0;
            }
            text.push_back(static_cast<char16_t>(units[i]));
        }
        return false;
    }
};

void checkText(const Model& model, int64_t at, size_t length) {
    const char16_t* real = TempStringAt(at);
    for (size_t i = 0; i <= length; ++i) {
        require(real[i] == model.units[static_cast<size_t>(at / 2) + i], "text");
    }
}

std::u16string makeText(FuzzedDataProvider& input) {
    auto length = input.ConsumeIntegralInRange<size_t>(0, 40);
    if (input.ConsumeIntegralInRange(0, 7) == 0) {
        length *= 16384;  // far enough to cross the 1 MiB the buffer shrinks back to
    }
    const auto first = input.ConsumeIntegralInRange<char16_t>(1, 0xFFFF);
    std::u16string text(length, u' ');
    for (size_t i = 0; i < length; ++i) {
        const auto unit = static_cast<char16_t>(first + i % 7);
        text[i] = unit != 0 ? unit : u'.';
    }
    return text;
}

void step(FuzzedDataProvider& input, Model& model) {
    switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0: {
            const std::u16string text = makeText(input);
            if (model.position + 2 * static_cast<int64_t>(text.size()) > kMostBytes) {
                return;
            }
            const int64_t at = model.position;
            TempStringAppend(text.c_str());
            model.append(text);
            checkText(model, at, text.size());
            break;
        }
        case 1:
            TempStringAppend(nullptr);
            model.write(model.position, u"");
            checkText(model, model.position, 0);
            break;
        case 2: {  // a text that lies on the stack, wherever it is
            const int64_t from = 2 * input.ConsumeIntegralInRange<int64_t>(0, static_cast<int64_t>(model.units.size()) - 1);
            std::u16string text;
            if (!model.textAt(from, text) || model.position + 2 * static_cast<int64_t>(text.size()) > kMostBytes) {
                return;
            }
            const int64_t at = model.position;
            TempStringAppend(TempStringAt(from));
            model.append(text);
            checkText(model, at, text.size());
            break;
        }
        case 3: {  // a text-returning operation: reserve, write, give back the rest
            const std::u16string text = makeText(input);
            const auto spare = input.ConsumeIntegralInRange<int64_t>(0, 40);
            const int64_t base = 2 * input.ConsumeIntegralInRange<int64_t>(0, model.position / 2);
            const auto count = static_cast<int64_t>(text.size()) + spare;
            if (model.position + 2 * count > kMostBytes) {
                return;
            }
            char16_t* room = TempStringReserve(static_cast<int32_t>(count), static_cast<int32_t>(base));
            model.reserve(count, base);
            require(room == TempStringAt(base), "reserved room");
            CopyChars(room, text.c_str(), static_cast<int64_t>(text.size()));
            TempStringGiveBack(static_cast<int32_t>(spare));
            model.write(base, text);
            model.position -= 2 * spare;
            checkText(model, base, text.size());
            break;
        }
        case 4: {
            const int64_t position = 2 * input.ConsumeIntegralInRange<int64_t>(0, model.capacity / 2);
            TempStringSetPosition(static_cast<int32_t>(position));
            model.position = position;
            model.write(position, u"");
            checkText(model, position, 0);
            break;
        }
        case 5: {  // handing back characters, or taking more (a negative count), within the capacity
            const auto count = input.ConsumeIntegralInRange<int64_t>(-(model.capacity - model.position) / 2, model.position / 2);
            TempStringGiveBack(static_cast<int32_t>(count));
            model.position -= 2 * count;
            break;
        }
        case 6: {
            const std::u16string text(input.ConsumeIntegralInRange<size_t>(0, 40), u'd');
            char16_t* copy = StringDuplicate(text.c_str());
            require(copy != nullptr && copy == text, "duplicate");
            StringFree(copy);
            require(StringDuplicate(nullptr) == nullptr, "duplicate of null");
            break;
        }
        default: {
            const auto value = input.ConsumeIntegral<int64_t>();
            char16_t formatted[32];
            const std::string expected = std::to_string(value);
            require(FormatText(formatted, u"%I64d", value) == static_cast<int>(expected.size()) &&
                        std::equal(expected.begin(), expected.end(), formatted),
                    "formatted number");
            break;
        }
    }
    require(TempStringPosition() == model.position, "position");
    require(TempStringCapacity() == model.capacity, "capacity");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    RuntimeHeapCreate();
    TempStringStart();
    Model model;
    while (input.remaining_bytes() > 0) {
        step(input, model);
    }
    const char16_t* buffer = TempStringBuffer();
    for (size_t i = 0; i < model.units.size(); ++i) {
        require(model.units[i] == kUnknown || buffer[i] == model.units[i], "contents");
    }
    TempStringEnd();
    RuntimeHeapDestroy();
    return 0;
}
