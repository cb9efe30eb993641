#include "platform/framework/rtf_text.h"

#include "platform/framework/unicode_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

namespace fw {

namespace {

/// Windows-1252 characters 0x80-0x9F (0 where the code page leaves a hole); the rest is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t fromCp1252(unsigned byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kCp1252High[byte - 0x80] ? kCp1252High[byte - 0x80] : U'?';
    return byte;
}

bool isIgnorableDestination(std::string_view word) {
    static constexpr std::string_view kDestinations[] = {
        "fonttbl", "colortbl", "stylesheet", "info",   "pict",      "header",    "footer",
        "listtable", "listoverridetable", "expandedcolortbl", "generator", "filetbl", "rsidtbl",
        "themedata", "datastore", "latentstyles", "xmlnstbl", "mmathPr", "headerl", "headerr",
        "footerl",   "footerr",   "footnote"};
    for (std::string_view d : kDestinations) {
        if (word == d)
            return true;
    }
    return false;
}

/// The font numbers whose names say bold ("Helvetica-Bold"), from the document's font table.
std::vector<long> boldFontsOf(std::string_view rtf) {
    std::vector<long> bold;
    const size_t table = rtf.find("{\\fonttbl");
    if (table == std::string_view::npos)
        return bold;
    for (size_t at = rtf.find("{\\f", table + 1); at != std::string_view::npos; at = rtf.find("{\\f", at + 1)) {
        size_t digits = at + 3;
        long number = 0;
        bool any = false;
        while (digits < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[digits]))) {
            number = number * 10 + (rtf[digits++] - '0');
            any = true;
        }
        const size_t end = rtf.find(';', digits);
        if (!any || end == std::string_view::npos)
            continue;
        if (rtf.substr(digits, end - digits).find("Bold") != std::string_view::npos)
            bold.push_back(number);
    }
    return bold;
}

struct GroupState {
    bool skip = false;
    bool bold = false;
    int unicodeFallback = 1;  // \ucN: characters that stand in for each \uN
};

class RtfReader {
public:
    RtfReader(std::string_view rtf, bool html) : m_rtf(rtf), m_html(html) {
        if (html)
            m_boldFonts = boldFontsOf(rtf);
    }

    std::string run() {
        while (m_pos < m_rtf.size()) {
            const char c = m_rtf[m_pos++];
            if (c == '{') {
                m_groups.push_back(state());
                m_groupStart = true;
                continue;
            }
            if (c == '}') {
                if (m_groups.size() > 1)
                    m_groups.pop_back();
                m_pendingFallback = 0;
                m_groupStart = false;
                continue;
            }
            if (c == '\\') {
                controlSymbolOrWord();
                m_groupStart = false;
                continue;
            }
            m_groupStart = false;
            if (c == '\r' || c == '\n')
                continue;
            emit(static_cast<unsigned char>(c), true);
        }
        if (m_boldOpen)
            m_text += "</b>";
        return m_text;
    }

private:
    GroupState& state() { return m_groups.back(); }

    /// Appends a character unless the group is skipped or it stands in for a preceding \uN.
    /// Raw bytes of the document are taken as UTF-8 when they form a character, else as cp1252.
    void emit(char32_t c, bool raw) {
        if (raw && c >= 0x80) {
            const Utf8Char decoded = decodeUtf8At(m_rtf, m_pos - 1);
            if (decoded.codePoint < 0xDC80 || decoded.codePoint > 0xDCFF) {
                c = decoded.codePoint;
                m_pos += decoded.byteLength - 1;
            } else {
                c = fromCp1252(unsigned(c));
            }
        }
        if (m_pendingFallback > 0) {
            --m_pendingFallback;
            return;
        }
        if (state().skip)
            return;
        if (!m_html) {
            appendUtf8(m_text, c);
            return;
        }
        if (state().bold != m_boldOpen && c != U'\n') {
            m_text += m_boldOpen ? "</b>" : "<b>";
            m_boldOpen = !m_boldOpen;
        }
        switch (c) {
        case U'<':
            m_text += "&lt;";
            break;
        case U'>':
            m_text += "&gt;";
            break;
        case U'&':
            m_text += "&amp;";
            break;
        case U'\n':
            m_text += "<br>";
            break;
        default:
            appendUtf8(m_text, c);
        }
    }

    /// One UTF-16 unit of \uN; a surrogate pair arrives as two of them.
    void emitUnit(char32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_highSurrogate = unit;
            return;
        }
        char32_t c = unit;
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            c = m_highSurrogate ? 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD;
        m_highSurrogate = 0;
        emit(c, false);
    }

    void text(std::string_view s) {
        for (char c : s)
            emit(static_cast<unsigned char>(c), false);
    }

    void controlSymbolOrWord() {
        if (m_pos >= m_rtf.size())
            return;
        const char c = m_rtf[m_pos];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        const size_t start = m_pos;
        while (m_pos < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const std::string_view word = m_rtf.substr(start, m_pos - start);
        bool hasParameter = false;
        long parameter = 0;
        bool negative = false;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos]))) {
            hasParameter = true;
            if (parameter < 10000000)
                parameter = parameter * 10 + (m_rtf[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            parameter = -parameter;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos;
        controlWord(word, hasParameter, parameter);
    }

    void controlSymbol(char c) {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            emit(static_cast<unsigned char>(c), false);
            break;
        case '\'': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_rtf.size() && std::isxdigit(static_cast<unsigned char>(m_rtf[m_pos]))) {
                const char h = char(std::tolower(static_cast<unsigned char>(m_rtf[m_pos++])));
                value = value * 16 + unsigned(h <= '9' ? h - '0' : h - 'a' + 10);
                ++digits;
            }
            if (digits == 2)
                emit(fromCp1252(value), false);
            break;
        }
        case '~':
            emit(0x00A0, false);
            break;
        case '_':
            emit(U'-', false);
            break;
        case '*':
            state().skip = true;
            break;
        case '\n':
        case '\r':
            text("\n");
            break;
        default:  // optional hyphen and unknown symbols show nothing
            break;
        }
    }

    void controlWord(std::string_view word, bool hasParameter, long parameter) {
        if (m_groupStart && isIgnorableDestination(word)) {
            state().skip = true;
        } else if (word == "par" || word == "line" || word == "row") {
            text("\n");
        } else if (word == "tab" || word == "cell") {
            text("\t");
        } else if (word == "uc" && hasParameter) {
            state().unicodeFallback = int(parameter < 0 ? 0 : parameter);
        } else if (word == "u" && hasParameter) {
            emitUnit(char32_t((parameter < 0 ? parameter + 65536 : parameter) & 0xFFFF));
            m_pendingFallback = state().unicodeFallback;
        } else if (word == "b") {
            state().bold = !hasParameter || parameter != 0;
        } else if (word == "plain") {
            state().bold = false;
        } else if (word == "f" && hasParameter) {
            state().bold = std::find(m_boldFonts.begin(), m_boldFonts.end(), parameter) != m_boldFonts.end();
        } else if (word == "emdash") {
            emit(0x2014, false);
        } else if (word == "endash") {
            emit(0x2013, false);
        } else if (word == "bullet") {
            emit(0x2022, false);
        } else if (word == "lquote") {
            emit(0x2018, false);
        } else if (word == "rquote") {
            emit(0x2019, false);
        } else if (word == "ldblquote") {
            emit(0x201C, false);
        } else if (word == "rdblquote") {
            emit(0x201D, false);
        }
    }

    std::string_view m_rtf;
    const bool m_html;
    std::vector<long> m_boldFonts;
    bool m_boldOpen = false; // html: a <b> is open
    size_t m_pos = 0;
    std::vector<GroupState> m_groups{GroupState{}};
    bool m_groupStart = false;
    int m_pendingFallback = 0;
    char32_t m_highSurrogate = 0;
    std::string m_text;
};

} // namespace

std::string plainTextFromRtf(std::string_view rtf) { return RtfReader(rtf, false).run(); }

std::string htmlFromRtf(std::string_view rtf) { return RtfReader(rtf, true).run(); }

} // namespace fw
