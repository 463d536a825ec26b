#pragma once
// Finds the texts a C++ source file spells out in string literals, the way the compiler
// sees them: comments and character literals skipped, adjacent literals joined, the
// simple escapes decoded, raw strings taken as they stand.

#include <QByteArray>
#include <QString>
#include <vector>

namespace zel::test {

struct SourceLiteral {
    QString text;
    int line;  // where the first of its pieces starts, from 1
};

std::vector<SourceLiteral> StringLiterals(const QByteArray& source);

// Those with a character outside ASCII: in this program, the texts meant for the user.
std::vector<SourceLiteral> NonAsciiStringLiterals(const QByteArray& source);

}  // namespace zel::test
