// Reads just enough of a PDF's structure to tell whether it is whole: the
// header, the cross-reference table that startxref points at, the end mark
// and the page count of the page tree.
#pragma once

#include <QByteArray>
#include <QRegularExpression>

// The page count of the PDF, or -1 when the bytes do not read as one.
inline int pdfPages(const QByteArray& pdf) {
    if (!pdf.startsWith("%PDF-") || !pdf.trimmed().endsWith("%%EOF"))
        return -1;
    const auto start = QRegularExpression(R"(startxref\s+(\d+)\s+%%EOF\s*$)").match(pdf);
    if (!start.hasMatch() || pdf.mid(start.captured(1).toLongLong(), 4) != "xref")
        return -1;
    const auto tree = QRegularExpression(R"(/Type\s*/Pages\b[^>]*?/Count\s+(\d+))",
                                         QRegularExpression::DotMatchesEverythingOption)
                          .match(pdf);
    return tree.hasMatch() ? tree.captured(1).toInt() : -1;
}
