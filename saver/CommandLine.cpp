#include "CommandLine.h"

#include <string>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// ":%u": a colon right after the letter, then the number.
bool ScanColonNumber(const char* text, uint32_t* value) {
    return text[0] == ':' && ScanUnsigned(text + 1, value);
}

void ClassifyToken(const char* token, SCommandLine* line) {
    while (*token == '/' || *token == '-') ++token;
    const char c = *token;
    uint32_t number = 0;
    if ((c == 'c' || c == 'C') && !line->Saver && !line->Preview) {
        line->Configure = true;
        if (ScanColonNumber(token + 1, &number)) line->WindowNumber = number;
    } else if (c == 'p' || c == 'P') {
        line->Preview = true;
        if (ScanColonNumber(token + 1, &number)) line->WindowNumber = number;
    } else if ((c == 's' || c == 'S') && !line->Preview && !line->Configure) {
        line->Saver = true;
    } else if (line->Configure || line->Preview) {
        // A separate number after /c or /p: "/c 1234".
        if (ScanUnsigned(token, &number)) line->WindowNumber = number;
    }
}

}  // namespace

bool ScanUnsigned(const char* text, uint32_t* value) {
    while (IsSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    if (*text < '0' || *text > '9') return false;
    uint32_t sum = 0;  // modulo 2^32, as the runtime's scanner has it
    for (; *text >= '0' && *text <= '9'; ++text) sum = sum * 10 + static_cast<uint32_t>(*text - '0');
    *value = negative ? 0u - sum : sum;
    return true;
}

SCommandLine ParseCommandLine(const char* text) {
    SCommandLine line;
    // Our own copy: tokens are cut by writing string ends into it.
    std::string copy(text ? text : "");
    char* p = &copy[0];
    char* const end = p + copy.size();
    while (p < end) {
        while (p < end && IsBlank(*p)) ++p;
        if (p == end) break;
        char* stop = p;
        while (stop < end && !IsBlank(*stop)) ++stop;
        char* token = p;
        if (*p == '"') {
            // A quoted token ends at its closing quote, if that comes before the blank.
            char* close = p + 1;
            while (close < stop && *close != '"') ++close;
            if (close < stop) {
                token = p + 1;
                stop = close;
            }
        }
        const bool last = stop == end;
        if (!last) *stop = '\0';
        ClassifyToken(token, &line);
        if (last) break;
        p = stop + 1;
    }
    return line;
}

intptr_t WindowHandleValue(uint32_t number) { return static_cast<intptr_t>(static_cast<int32_t>(number)); }

RunMode ChooseRunMode(const SCommandLine& line, bool previewWindowExists) {
    if (line.Preview && previewWindowExists) return RunMode::Preview;
    if (line.Configure || !line.Saver) return RunMode::Configure;
    return RunMode::Saver;
}
