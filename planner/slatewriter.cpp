#include "planner/slatewriter.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr double kBaseSize = 18; // legible on a wet slate at arm's length
constexpr double kMinSize = 14; // the smallest a diver reads through a mask in dim water
constexpr double kLineFactor = 1.3;

struct Paper
{
    double width, height, margin;
};

Paper paperOf(SlateSize size)
{
    return size == SlateSize::A6 ? Paper { 298, 420, 18 } : Paper { 595, 842, 36 };
}
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

// A PDF literal string in WinAnsi bytes.
QByteArray literal(const QString& text)
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

QByteArray num(double v)
{
    return QByteArray::number(v, 'f', 2);
}

// Writes text down a run of pages, starting a new page whenever the next line would cross the
// bottom margin.
class PageWriter
{
public:
    PageWriter(const Paper& paper, double size)
        : m_paper(paper)
        , m_size(size)
    {
        newPage();
    }

    double size() const { return m_size; }
    // Starts a new page unless `lines` lines of this scale still fit; true when it did.
    bool ensureRoom(double lines, double scale = 1.0)
    {
        if (m_y - lines * m_size * scale * kLineFactor >= m_paper.margin)
            return false;
        newPage();
        return true;
    }
    void text(double x, const QString& s, bool bold, double scale = 1.0)
    {
        m_pages.last() += "BT /" + QByteArray(bold ? "F2 " : "F1 ") + num(m_size * scale) + " Tf "
            + num(x) + ' ' + num(m_y - m_size * scale) + " Td " + literal(s) + " Tj ET\n";
    }
    void advance(double scale = 1.0) { m_y -= m_size * scale * kLineFactor; }
    void rule()
    {
        m_pages.last() += num(m_paper.margin) + ' ' + num(m_y - 2) + " m "
            + num(m_paper.width - m_paper.margin) + ' ' + num(m_y - 2) + " l S\n";
        m_y -= 4;
    }
    void newPage()
    {
        m_pages.append(QByteArray());
        m_y = m_paper.height - m_paper.margin;
    }
    bool pageIsEmpty() const { return m_pages.last().isEmpty(); }
    const QList<QByteArray>& pages() const { return m_pages; }

private:
    Paper m_paper;
    double m_size;
    double m_y = 0;
    QList<QByteArray> m_pages;
};

// Splits a line at spaces so it fits the page width at this size (Helvetica averages about half
// an em a character in running text).
QStringList wrapped(const QString& line, double width, double size, double scale = 1.0)
{
    const int room = std::max(10, int(width / (size * scale * 0.52)));
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

// The width of each column in characters, its widest cell and two spaces.
QList<int> columnChars(const SlateTable& table)
{
    QList<int> widest(table.header.size(), 0);
    auto measure = [&](const QStringList& row) {
        for (int i = 0; i < row.size() && i < widest.size(); ++i)
            widest[i] = std::max(widest[i], int(row[i].size()) + 2);
    };
    measure(table.header);
    for (const QStringList& row : table.rows)
        measure(row);
    return widest;
}

// A table too wide for the page at this size becomes several, each with the first column and
// as many of the others as fit.
QList<SlateTable> fittingTables(const SlateTable& table, double width, double size)
{
    const QList<int> chars = columnChars(table);
    const int room = int(width / (size * kCharWidth));
    QList<QList<int>> groups { {} };
    int used = 0;
    for (int i = 0; i < chars.size(); ++i) {
        if (i > 1 && used + chars[i] > room && groups.last().size() > 1) {
            groups.append(QList<int> { 0 });
            used = chars[0];
        }
        groups.last().append(i);
        used += chars[i];
    }
    if (groups.size() == 1)
        return { table };
    QList<SlateTable> out;
    for (const QList<int>& columns : groups) {
        SlateTable part { table.title, {}, {} };
        auto pick = [&](const QStringList& row) {
            QStringList cells;
            for (int c : columns)
                cells.append(row.value(c));
            return cells;
        };
        part.header = pick(table.header);
        for (const QStringList& row : table.rows)
            part.rows.append(pick(row));
        out.append(part);
    }
    return out;
}

void writeTable(PageWriter& w, const SlateTable& t, const Paper& paper)
{
    const double size = w.size();
    const QList<int> chars = columnChars(t);
    QList<double> x;
    double at = paper.margin;
    for (int c : chars) {
        x.append(at);
        at += c * size * kCharWidth;
    }
    auto header = [&](bool continued) {
        w.text(paper.margin,
            continued ? QCoreApplication::translate("Slate", "%1 (continued)").arg(t.title)
                      : t.title,
            true, 1.1);
        w.advance(1.1);
        for (int i = 0; i < t.header.size(); ++i)
            w.text(x[i], t.header[i], true);
        w.advance();
        w.rule();
    };
    // The title, the header and the first row stay together.
    w.ensureRoom(3.6);
    w.advance(0.3);
    header(false);
    for (const QStringList& row : t.rows) {
        if (w.ensureRoom(1))
            header(true);
        for (int i = 0; i < row.size() && i < x.size(); ++i)
            w.text(x[i], row[i], false);
        w.advance();
    }
}

QList<QByteArray> pageContents(const SlatePage& page, const Paper& paper, SlateSize paperSize)
{
    const double width = paper.width - 2 * paper.margin;
    const double available = (paper.height - 2 * paper.margin) / kLineFactor;
    const double size = paperSize == SlateSize::A6
        ? kMinSize
        : std::clamp(available / pageLines(page), kMinSize, kBaseSize);
    PageWriter w(paper, size);
    for (const QString& part : wrapped(page.title, width, size, 1.3)) {
        w.text(paper.margin, part, true, 1.3);
        w.advance(1.3);
    }
    auto paragraph = [&](const QStringList& lines, bool bold) {
        for (const QString& line : lines) {
            for (const QString& part : wrapped(line, width, size)) {
                w.ensureRoom(1);
                w.text(paper.margin, part, bold);
                w.advance();
            }
        }
    };
    paragraph(page.summary, false);
    paragraph(page.warnings, true);
    for (const SlateTable& t : page.tables)
        for (const SlateTable& part : fittingTables(t, width, size))
            writeTable(w, part, paper);
    return w.pages();
}

} // namespace

QByteArray slatePdf(const QList<SlatePage>& slatePages, SlateSize size)
{
    const Paper paper = paperOf(size);
    QList<QByteArray> pages;
    for (const SlatePage& page : slatePages)
        pages += pageContents(page, paper, size);
    return pdfDocument(pages, paper.width, paper.height);
}

QByteArray pdfLiteral(const QString& text)
{
    return literal(text);
}

QByteArray pdfNumber(double value)
{
    return num(value);
}

QByteArray pdfDocument(const QList<QByteArray>& pages, double width, double height)
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
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + num(width) + ' ' + num(height)
            + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents "
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

bool writeSlate(const QString& path, const QList<SlatePage>& pages, QString* error, SlateSize size)
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
    const QByteArray pdf = slatePdf(pages, size);
    if (file.write(pdf) != pdf.size())
        return fail(file.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
