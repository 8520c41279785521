#include "planner/slatewriter.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr double kPageWidth = 595; // A4 in points
constexpr double kPageHeight = 842;
constexpr double kMargin = 36;
constexpr double kBaseSize = 18; // legible on a wet slate at arm's length
constexpr double kMinSize = 9;
constexpr double kLineFactor = 1.3;
constexpr double kCharWidth = 0.6; // generous average Helvetica advance, in ems

char winAnsi(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u <= 0xff))
        return char(u);
    switch (u) {
    case 0x20ac:
        return char(0x80);
    case 0x2026:
        return char(0x85);
    case 0x2018:
        return char(0x91);
    case 0x2019:
        return char(0x92);
    case 0x201c:
        return char(0x93);
    case 0x201d:
        return char(0x94);
    case 0x2022:
        return char(0x95);
    case 0x2013:
        return char(0x96);
    case 0x2014:
        return char(0x97);
    default:
        return '?';
    }
}

} // namespace

QByteArray pdfLiteral(const QString& text)
{
    QByteArray out = "(";
    for (const QChar c : text) {
        const char b = winAnsi(c);
        if (b == '(' || b == ')' || b == '\\')
            out += '\\';
        out += b;
    }
    out += ')';
    return out;
}

QByteArray pdfNumber(double v)
{
    return QByteArray::number(v, 'f', 2);
}

namespace {

QByteArray literal(const QString& text)
{
    return pdfLiteral(text);
}

QByteArray num(double v)
{
    return pdfNumber(v);
}

class PageWriter
{
public:
    explicit PageWriter(double size)
        : m_size(size)
        , m_y(kPageHeight - kMargin)
    { }

    void text(double x, const QString& s, bool bold, double scale = 1.0)
    {
        m_out += "BT /" + QByteArray(bold ? "F2 " : "F1 ") + num(m_size * scale) + " Tf " + num(x)
            + ' ' + num(m_y - m_size * scale) + " Td " + literal(s) + " Tj ET\n";
    }
    void advance(double scale = 1.0) { m_y -= m_size * scale * kLineFactor; }
    void rule()
    {
        m_out += num(kMargin) + ' ' + num(m_y - 2) + " m " + num(kPageWidth - kMargin) + ' '
            + num(m_y - 2) + " l S\n";
        m_y -= 4;
    }
    QByteArray content() const { return m_out; }

private:
    double m_size;
    double m_y;
    QByteArray m_out;
};

// Splits a line at spaces so it fits the page width at this size (Helvetica averages about half
// an em a character in running text).
QStringList wrapped(const QString& line, double size, double scale = 1.0)
{
    const int room = std::max(10, int((kPageWidth - 2 * kMargin) / (size * scale * 0.52)));
    QStringList out;
    QString current;
    for (const QString& word : line.split(QLatin1Char(' '))) {
        if (!current.isEmpty() && current.size() + 1 + word.size() > room) {
            out.append(current);
            current.clear();
        }
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    out.append(current);
    return out;
}

// Lines a page takes at the base size, in units of one text line.
double pageLines(const SlatePage& page)
{
    // Long summary and warning lines wrap: count them as two.
    double lines = 1.6 + 2.0 * double(page.summary.size() + page.warnings.size()) + 0.5;
    for (const SlateTable& t : page.tables)
        lines += 1.2 + 1 + t.rows.size() + 0.5;
    return lines;
}

// Column positions from the widest cell of each column.
QList<double> columnsOf(const SlateTable& table, double size)
{
    QList<int> widest(table.header.size(), 0);
    auto measure = [&](const QStringList& row) {
        for (int i = 0; i < row.size() && i < widest.size(); ++i)
            widest[i] = std::max(widest[i], int(row[i].size()));
    };
    measure(table.header);
    for (const QStringList& row : table.rows)
        measure(row);
    QList<double> x;
    double at = kMargin;
    for (int w : widest) {
        x.append(at);
        at += (w + 2) * size * kCharWidth;
    }
    return x;
}

QByteArray pageContent(const SlatePage& page)
{
    const double available = (kPageHeight - 2 * kMargin) / kLineFactor;
    double size = std::clamp(available / pageLines(page), kMinSize, kBaseSize);
    // Wide tables shrink too, so no column runs off the page.
    for (const SlateTable& t : page.tables) {
        const QList<double> x = columnsOf(t, size);
        if (!x.isEmpty()) {
            const double needed = x.last() - kMargin + 12 * size * kCharWidth;
            if (needed > kPageWidth - 2 * kMargin)
                size = std::max(kMinSize, size * (kPageWidth - 2 * kMargin) / needed);
        }
    }
    PageWriter w(size);
    w.text(kMargin, page.title, true, 1.3);
    w.advance(1.3);
    for (const QString& line : page.summary) {
        for (const QString& part : wrapped(line, size)) {
            w.text(kMargin, part, false);
            w.advance();
        }
    }
    for (const QString& line : page.warnings) {
        for (const QString& part : wrapped(line, size)) {
            w.text(kMargin, part, true);
            w.advance();
        }
    }
    for (const SlateTable& t : page.tables) {
        w.advance(0.3);
        w.text(kMargin, t.title, true, 1.1);
        w.advance(1.1);
        const QList<double> x = columnsOf(t, size);
        for (int i = 0; i < t.header.size(); ++i)
            w.text(x[i], t.header[i], true);
        w.advance();
        w.rule();
        for (const QStringList& row : t.rows) {
            for (int i = 0; i < row.size() && i < x.size(); ++i)
                w.text(x[i], row[i], false);
            w.advance();
        }
    }
    return w.content();
}

} // namespace

QByteArray slatePdf(const QList<SlatePage>& pages)
{
    QList<QByteArray> contents;
    for (const SlatePage& page : pages)
        contents << pageContent(page);
    return pdfDocument(contents);
}

QByteArray pdfDocument(const QList<QByteArray>& pages)
{
    // Objects: 1 catalog, 2 page tree, 3 and 4 the fonts, then a page and its content stream
    // for each page.
    QList<qint64> offsets;
    QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    auto object = [&](const QByteArray& body) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    QByteArray kids;
    for (int i = 0; i < pages.size(); ++i)
        kids += QByteArray::number(5 + 2 * i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count "
        + QByteArray::number(pages.size()) + " >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding "
           "/WinAnsiEncoding >>");
    for (int i = 0; i < pages.size(); ++i) {
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 "
               "3 0 R /F2 4 0 R >> >> /Contents "
            + QByteArray::number(6 + 2 * i) + " 0 R >>");
        const QByteArray& content = pages[i];
        object("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content
            + "\nendstream");
    }
    const qint64 xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qint64 offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1)
        + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

bool writeSlate(const QString& path, const QList<SlatePage>& pages, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QCoreApplication::translate("Slate", "%1: %2").arg(path, why);
        return false;
    };
    if (pages.isEmpty())
        return fail(QCoreApplication::translate("Slate", "the plan holds no dive"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray pdf = slatePdf(pages);
    if (file.write(pdf) != pdf.size())
        return fail(file.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
