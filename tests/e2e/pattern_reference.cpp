// Reference pictures for the end-to-end tests: writes the picture whirlway.exe should show for
// given parameters as a binary PPM, replays key commands on the defaults to tell the tests which
// parameters the program holds afterwards, and finds how many turns of a held arrow key produced
// a screenshot. Run under Wine it shares the program's maths and C runtime.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/parameters.h"
#include "app/pattern.h"

namespace {

constexpr uint16_t kPictureSize = 512;
constexpr float kElStep = 0.00023f;  // the main loop's steps per turn with an arrow held
constexpr float kDfStep = 0.0023f;
constexpr float kSmallestDf = 1e-19f;

int usage() {
    std::fputs(
        "usage: pattern_reference picture OUT.ppm EL DF COLOUR ORIGIN\n"
        "           EL, DF: 0x followed by a float's bit pattern, or a decimal number\n"
        "           COLOUR: 1 colour, 0 black and white; ORIGIN: 1 centre, 0 top-left corner\n"
        "           OUT.ppm '-' writes to standard output\n"
        "       pattern_reference params TURN...\n"
        "           replays turns on the defaults and prints 'EL DF COLOUR ORIGIN' as above;\n"
        "           a TURN is C, O or R (released), or [Alt+|Shift+|Ctrl+Shift+]Left|Right|Up|Down\n"
        "           (held for one turn)\n"
        "       pattern_reference match SHOT.ppm MAXTURNS TURN...\n"
        "           replays the turns, repeating the last one 1..MAXTURNS times, and prints the\n"
        "           first repeat count whose picture equals SHOT.ppm exactly\n",
        stderr);
    return 2;
}

Parameters defaults() {
    Parameters parameters{};
    parameters.pictureSize = kPictureSize;
    parameters.el = kDefaultEl;
    parameters.df = kDefaultDf;
    parameters.elStep = kElStep;
    parameters.dfStep = kDfStep;
    parameters.speedFactor = 1.0f;
    parameters.colourMode = kFlagOn;
    parameters.originCentred = kFlagOn;
    return parameters;
}

bool parseReal(const char* text, float* value) {
    char* end = nullptr;
    errno = 0;
    if (std::strncmp(text, "0x", 2) == 0 || std::strncmp(text, "0X", 2) == 0) {
        const unsigned long bits = std::strtoul(text + 2, &end, 16);
        if (end == text + 2 || *end != '\0' || errno != 0 || bits > 0xFFFFFFFFul) {
            return false;
        }
        const auto pattern = static_cast<uint32_t>(bits);
        std::memcpy(value, &pattern, sizeof pattern);
        return true;
    }
    *value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

bool parseFlag(const char* text, uint8_t* flag) {
    if (std::strcmp(text, "0") == 0 || std::strcmp(text, "1") == 0) {
        *flag = text[0] == '1' ? kFlagOn : kFlagOff;
        return true;
    }
    return false;
}

uint32_t bitsOf(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// What the window should show at (x, y), as red, green, blue; pixels the pattern leaves alone
// keep the black of a new image.
void expectedPixel(const Parameters& parameters, int x, int y, unsigned char* rgb) {
    uint32_t colour = 0;
    if (!PatternPixel(parameters, x, y, &colour)) {
        colour = 0;
    }
    rgb[0] = static_cast<unsigned char>(colour & 0xFF);
    rgb[1] = static_cast<unsigned char>((colour >> 8) & 0xFF);
    rgb[2] = static_cast<unsigned char>((colour >> 16) & 0xFF);
}

// PPM rows run top to bottom, red first.
int writePicture(const Parameters& parameters, const char* path) {
    const int size = parameters.pictureSize;
    std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3, 0);
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            expectedPixel(parameters, x, y, &rgb[(static_cast<size_t>(y) * size + x) * 3]);
        }
    }
    FILE* out = stdout;
    if (std::strcmp(path, "-") == 0) {
        _setmode(_fileno(stdout), _O_BINARY);
    } else {
        out = std::fopen(path, "wb");
        if (out == nullptr) {
            std::fprintf(stderr, "pattern_reference: cannot write %s\n", path);
            return 1;
        }
    }
    std::fprintf(out, "P6\n%d %d\n255\n", size, size);
    const bool written = std::fwrite(rgb.data(), 1, rgb.size(), out) == rgb.size();
    const bool closed = out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "pattern_reference: writing %s failed\n", path);
        return 1;
    }
    return 0;
}

// The main loop's arithmetic: in double, stored back as a float; df is never left at 0.
float stepped(float value, float step, float factor, double direction) {
    return static_cast<float>(static_cast<double>(value) +
                              direction * static_cast<double>(step) * static_cast<double>(factor));
}

bool applyTurn(Parameters& parameters, const char* turn) {
    if (std::strcmp(turn, "C") == 0) {
        parameters.colourMode = static_cast<uint8_t>(~parameters.colourMode);
        return true;
    }
    if (std::strcmp(turn, "O") == 0) {
        parameters.originCentred = static_cast<uint8_t>(~parameters.originCentred);
        return true;
    }
    if (std::strcmp(turn, "R") == 0) {
        parameters.el = kDefaultEl;
        parameters.df = kDefaultDf;
        parameters.colourMode = kFlagOn;
        parameters.originCentred = kFlagOn;
        return true;
    }
    float factor = 1.0f;
    if (std::strncmp(turn, "Alt+", 4) == 0) {
        factor = 0.01f;
        turn += 4;
    } else if (std::strncmp(turn, "Ctrl+Shift+", 11) == 0) {
        factor = 100.0f;
        turn += 11;
    } else if (std::strncmp(turn, "Shift+", 6) == 0) {
        factor = 5.0f;
        turn += 6;
    }
    if (std::strcmp(turn, "Left") == 0) {
        parameters.el = stepped(parameters.el, parameters.elStep, factor, +1.0);
    } else if (std::strcmp(turn, "Right") == 0) {
        parameters.el = stepped(parameters.el, parameters.elStep, factor, -1.0);
    } else if (std::strcmp(turn, "Up") == 0 || std::strcmp(turn, "Down") == 0) {
        const double direction = turn[0] == 'U' ? +1.0 : -1.0;
        parameters.df = stepped(parameters.df, parameters.dfStep, factor, direction);
        if (parameters.df == 0.0f) {
            parameters.df = kSmallestDf;
        }
    } else {
        return false;
    }
    return true;
}

// Reads a binary PPM of the picture's size with 8-bit channels (as ImageMagick writes them).
bool readPicture(const char* path, int size, std::vector<unsigned char>* rgb) {
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        return false;
    }
    int width = 0;
    int height = 0;
    int maximum = 0;
    const bool header = std::fscanf(in, "P6 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(in) != EOF;
    rgb->assign(static_cast<size_t>(size) * size * 3, 0);
    const bool read = header && width == size && height == size && maximum == 255 &&
                      std::fread(rgb->data(), 1, rgb->size(), in) == rgb->size();
    std::fclose(in);
    return read;
}

// Differing pixels between the parameters' picture and a screenshot; stops counting past limit.
long differences(const Parameters& parameters, const std::vector<unsigned char>& shot, long limit) {
    const int size = parameters.pictureSize;
    long count = 0;
    for (int x = 0; x < size && count <= limit; ++x) {
        for (int y = 0; y < size; ++y) {
            unsigned char rgb[3];
            expectedPixel(parameters, x, y, rgb);
            if (std::memcmp(rgb, &shot[(static_cast<size_t>(y) * size + x) * 3], 3) != 0) {
                ++count;
            }
        }
    }
    return count;
}

int matchTurns(int argc, char** argv) {
    char* end = nullptr;
    const long maximumTurns = argc >= 5 ? std::strtol(argv[3], &end, 10) : 0;
    if (argc < 5 || *end != '\0' || maximumTurns < 1) {
        return usage();
    }
    std::vector<unsigned char> shot;
    if (!readPicture(argv[2], kPictureSize, &shot)) {
        std::fprintf(stderr, "pattern_reference: %s is not a %dx%d PPM\n", argv[2], kPictureSize, kPictureSize);
        return 2;
    }
    Parameters parameters = defaults();
    for (int i = 4; i < argc - 1; ++i) {
        if (!applyTurn(parameters, argv[i])) {
            std::fprintf(stderr, "pattern_reference: unknown turn '%s'\n", argv[i]);
            return usage();
        }
    }
    const char* repeated = argv[argc - 1];
    if (!applyTurn(parameters, repeated)) {
        std::fprintf(stderr, "pattern_reference: unknown turn '%s'\n", repeated);
        return usage();
    }
    // Mismatching candidates usually fail within the first columns, so the search stops each
    // at its first differing column; the counts are taken in full only to report a failure.
    const Parameters first = parameters;
    for (long turns = 1; turns <= maximumTurns; ++turns, applyTurn(parameters, repeated)) {
        if (differences(parameters, shot, 0) == 0) {
            std::printf("%ld 0x%08X 0x%08X\n", turns, static_cast<unsigned>(bitsOf(parameters.el)),
                        static_cast<unsigned>(bitsOf(parameters.df)));
            return 0;
        }
    }
    parameters = first;
    long bestTurns = 0;
    long bestCount = -1;
    for (long turns = 1; turns <= maximumTurns; ++turns, applyTurn(parameters, repeated)) {
        const long count = differences(parameters, shot, bestCount < 0 ? 1L << 30 : bestCount);
        if (bestCount < 0 || count < bestCount) {
            bestCount = count;
            bestTurns = turns;
        }
    }
    std::printf("none: closest is %ld turns with %ld differing pixels\n", bestTurns, bestCount);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "picture") == 0) {
        Parameters parameters = defaults();
        if (argc != 7 || !parseReal(argv[3], &parameters.el) || !parseReal(argv[4], &parameters.df) ||
            !parseFlag(argv[5], &parameters.colourMode) || !parseFlag(argv[6], &parameters.originCentred)) {
            return usage();
        }
        return writePicture(parameters, argv[2]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "params") == 0) {
        Parameters parameters = defaults();
        for (int i = 2; i < argc; ++i) {
            if (!applyTurn(parameters, argv[i])) {
                std::fprintf(stderr, "pattern_reference: unknown turn '%s'\n", argv[i]);
                return usage();
            }
        }
        std::printf("0x%08X 0x%08X %d %d\n", static_cast<unsigned>(bitsOf(parameters.el)),
                    static_cast<unsigned>(bitsOf(parameters.df)), parameters.colourMode != 0 ? 1 : 0,
                    parameters.originCentred != 0 ? 1 : 0);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "match") == 0) {
        return matchTurns(argc, argv);
    }
    return usage();
}
