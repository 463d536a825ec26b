#include "tests/support/source_literals.h"

#include <cctype>
#include <string>
#include <string_view>

namespace zel::test {

namespace {

class LiteralScanner {
  public:
    explicit LiteralScanner(std::string_view source) : m_source(source) {}

    std::vector<SourceLiteral> Scan() {
        while (m_pos < m_source.size()) {
            if (StartsWith("//")) {
                SkipPast("\n");
            } else if (StartsWith("/*")) {
                SkipPast("*/");
            } else if (At() == '"') {
                const int line = m_line;
                AddLiteral(line, IsRawPrefix() ? ReadRawBody() : ReadQuotedBody());
            } else if (At() == '\'' && !FollowsDigit()) {
                ReadQuotedBody();  // a character literal: nothing of the user's
                m_joinable = false;
            } else {
                if (!std::isspace(static_cast<unsigned char>(At()))) m_joinable = false;
                Advance();
            }
        }
        return std::move(m_literals);
    }

  private:
    char At(std::size_t ahead = 0) const {
        return m_pos + ahead < m_source.size() ? m_source[m_pos + ahead] : '\0';
    }
    bool StartsWith(std::string_view text) const {
        return m_source.substr(m_pos, text.size()) == text;
    }
    void Advance(std::size_t count = 1) {
        for (; count > 0 && m_pos < m_source.size(); --count)
            if (m_source[m_pos++] == '\n') ++m_line;
    }
    void SkipPast(std::string_view end) {
        const std::size_t found = m_source.find(end, m_pos);
        Advance(found == std::string_view::npos ? m_source.size() : found - m_pos + end.size());
    }
    // 1'000 separates digits; it opens no character literal.
    bool FollowsDigit() const {
        return m_pos > 0 && std::isdigit(static_cast<unsigned char>(m_source[m_pos - 1]));
    }
    bool IsRawPrefix() const { return m_pos > 0 && m_source[m_pos - 1] == 'R'; }

    // From the opening quote (or apostrophe) past the closing one.
    std::string ReadQuotedBody() {
        const char quote = At();
        Advance();
        std::string text;
        while (m_pos < m_source.size() && At() != quote) {
            if (At() == '\\') {
                text += Unescaped(At(1));
                Advance(2);
            } else {
                text += At();
                Advance();
            }
        }
        Advance();
        return text;
    }
    static std::string Unescaped(char c) {
        switch (c) {
            case 'n':
                return "\n";
            case 't':
                return "\t";
            case 'r':
                return "\r";
            case '\\':
                return "\\";
            case '"':
                return "\"";
            case '\'':
                return "'";
            default:
                return std::string("\\") + c;
        }
    }
    // R"delimiter( ... )delimiter"
    std::string ReadRawBody() {
        Advance();
        const std::size_t open = m_source.find('(', m_pos);
        if (open == std::string_view::npos) return SkipToEnd();
        const std::string closing = ")" + std::string(m_source.substr(m_pos, open - m_pos)) + "\"";
        Advance(open - m_pos + 1);
        const std::size_t close = m_source.find(closing, m_pos);
        if (close == std::string_view::npos) return SkipToEnd();
        std::string text(m_source.substr(m_pos, close - m_pos));
        Advance(close - m_pos + closing.size());
        return text;
    }
    std::string SkipToEnd() {
        Advance(m_source.size() - m_pos);
        return {};
    }

    void AddLiteral(int startLine, std::string text) {
        if (m_joinable && !m_literals.empty())
            m_pieces.back() += text;
        else {
            m_pieces.push_back(std::move(text));
            m_literals.push_back({QString(), startLine});
        }
        m_literals.back().text = QString::fromStdString(m_pieces.back());
        m_joinable = true;
    }

    std::string_view m_source;
    std::size_t m_pos = 0;
    int m_line = 1;
    // Only white space and comments since the last literal ended.
    bool m_joinable = false;
    std::vector<std::string> m_pieces;
    std::vector<SourceLiteral> m_literals;
};

}  // namespace

std::vector<SourceLiteral> StringLiterals(const QByteArray& source) {
    return LiteralScanner(std::string_view(source.constData(), source.size())).Scan();
}

std::vector<SourceLiteral> NonAsciiStringLiterals(const QByteArray& source) {
    std::vector<SourceLiteral> found;
    for (SourceLiteral& literal : StringLiterals(source)) {
        bool ascii = true;
        for (QChar c : literal.text) ascii = ascii && c.unicode() < 0x80;
        if (!ascii) found.push_back(std::move(literal));
    }
    return found;
}

}  // namespace zel::test
