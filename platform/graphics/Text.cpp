// Fonts from our own table (DejaVu Sans in four faces), plain text layout with the platform's
// line-break modes, and rich text built through Qt's text document cursor, against a 72-dpi device.
#include "platform/graphics/Text.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/qt/QtConvert.h"
#include "platform/graphics/qt/QtImage.h"
#include "platform/graphics/qt/QtText.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace gfx {

namespace {

constexpr double kUnbounded = 10000; // the platform's measuring box
const char* const kFamily = "DejaVu Sans";

struct FontTable {
    bool loaded = false;
    QString family = kFamily;
};

FontTable& fontTable() {
    static FontTable table;
    static std::once_flag once;
    std::call_once(once, [] {
        qt::ensureGuiApplication();
        const char* dir = "/usr/share/fonts/truetype/dejavu/";
        int loaded = 0;
        for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                                 "DejaVuSans-BoldOblique.ttf"}) {
            int id = QFontDatabase::addApplicationFont(QString::fromUtf8(dir) + QString::fromUtf8(file));
            if (id < 0) {
                foundation::log(std::string("gfx: font file not loaded: ") + dir + file);
                continue;
            }
            QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                table.family = families.front();
            ++loaded;
        }
        table.loaded = loaded == 4;
    });
    return table;
}

std::string lower(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '_')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool knownFamily(const std::string& f) {
    static const char* const families[] = {
        "helvetica", "helveticaneue", "arial",   "arialmt",      "systemfont",
        ".sfui",     ".sfuitext",     "sfui",    "sanfrancisco", "dejavusans",
        "sansserif", "sans",          "verdana", "lucidagrande", "trebuchetms",
        "geneva",    "tahoma",        "avenir",  "avenirnext",   "timesnewroman",
        "times",     "georgia",       "courier", "couriernew",   "menlo"};
    return std::find(std::begin(families), std::end(families), f) != std::end(families);
}

// Face suffixes of PostScript-style names: (bold, italic).
std::optional<std::pair<bool, bool>> faceOf(const std::string& suffix) {
    struct Face {
        const char* name;
        bool bold, italic;
    };
    static const Face faces[] = {
        {"", false, false},           {"regular", false, false},    {"roman", false, false},
        {"mt", false, false},         {"medium", false, false},     {"light", false, false},
        {"bold", true, false},        {"boldmt", true, false},      {"semibold", true, false},
        {"heavy", true, false},       {"black", true, false},       {"italic", false, true},
        {"oblique", false, true},     {"italicmt", false, true},    {"bolditalic", true, true},
        {"boldoblique", true, true},  {"bolditalicmt", true, true}, {"lightitalic", false, true},
        {"mediumitalic", false, true}};
    for (const Face& f : faces)
        if (suffix == f.name)
            return std::make_pair(f.bold, f.italic);
    return std::nullopt;
}

QTextOption::WrapMode wrapFor(LineBreakMode mode) {
    switch (mode) {
    case LineBreakMode::WordWrap:
        return QTextOption::WrapAtWordBoundaryOrAnywhere;
    case LineBreakMode::CharWrap:
        return QTextOption::WrapAnywhere;
    default:
        return QTextOption::NoWrap;
    }
}

Qt::Alignment alignFor(TextAlignment a) {
    switch (a) {
    case TextAlignment::Center:
        return Qt::AlignHCenter;
    case TextAlignment::Right:
        return Qt::AlignRight;
    case TextAlignment::Justified:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

// Whether a line's natural width (the advances of its shaped glyphs) is the width the elision of its
// text measures: not with tabs (set by tab stops on a line), a line separator or the marks that separate
// variants of a text to elide between.
bool measuresAsShaped(const QString& text) {
    for (QChar c : text)
        if (c == QChar('\t') || c == QChar(0x9c) || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return false;
    return true;
}

std::unique_ptr<QTextLayout> singleLine(const QString& text, const QFont& font, QTextLine* out = nullptr) {
    auto layout = std::make_unique<QTextLayout>(text, font, qt::referenceDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    // The shaped glyphs stay with the layout: drawing it does not shape the text again.
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(kUnbounded * 10);
        line.setPosition({0, 0});
    }
    layout->endLayout();
    if (out)
        *out = line;
    return layout;
}

} // namespace

namespace qt {

void ensureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "ovrida";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Lives for the process: the one shared application object.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

QPaintDevice* referenceDevice() {
    static QImage* device = [] {
        ensureGuiApplication();
        auto* image = new QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        image->setDotsPerMeterX(2835); // 72 dpi
        image->setDotsPerMeterY(2835);
        return image;
    }();
    return device;
}

QFont toQFont(const Font& font) {
    QFont f(fontTable().family);
    f.setPointSizeF(font.size());
    f.setBold(font.isBold());
    f.setItalic(font.isItalic());
    // Unhinted outlines: the same advances on every device and resolution.
    f.setHintingPreference(QFont::PreferNoHinting);
    return QFont(f, referenceDevice());
}

QFont toQFont(const TextAttributes& a) {
    std::optional<Font> font = Font::named(a.family, a.size > 0 ? a.size : 12);
    Font base = font ? *font : Font::system(a.size > 0 ? a.size : 12);
    return toQFont(base.withTraits(base.isBold() || a.bold, base.isItalic() || a.italic));
}

} // namespace qt

std::optional<Font> Font::named(std::string_view name, double size) {
    if (!(size > 0) || !std::isfinite(size))
        return std::nullopt;
    std::string key = lower(name);
    std::string family = key, suffix;
    size_t dash = key.find('-');
    if (dash != std::string::npos && dash > 0) {
        family = key.substr(0, dash);
        suffix = key.substr(dash + 1);
    }
    auto face = faceOf(suffix);
    if (!face && dash == std::string::npos) {
        // "Helvetica Bold" style names: a known family followed by a face word.
        for (const char* fam : {"helveticaneue", "helvetica", "arial", "systemfont", "dejavusans"}) {
            std::string f(fam);
            if (key.rfind(f, 0) == 0 && faceOf(key.substr(f.size()))) {
                family = f;
                face = faceOf(key.substr(f.size()));
                break;
            }
        }
    }
    if (!face || !knownFamily(family))
        return std::nullopt;
    std::string familyName(name.substr(0, dash == std::string::npos ? name.size() : dash));
    return Font(std::string(name), familyName, size, face->first, face->second);
}

Font Font::system(double size) {
    return Font("system font", "system font", size, false, false);
}
Font Font::boldSystem(double size) {
    return Font("system font-Bold", "system font", size, true, false);
}
Font Font::italicSystem(double size) {
    return Font("system font-Italic", "system font", size, false, true);
}

Font Font::withSize(double size) const {
    Font f = *this;
    f.size_ = size;
    return f;
}

Font Font::withTraits(bool bold, bool italic) const {
    Font f = *this;
    f.bold_ = bold;
    f.italic_ = italic;
    if (bold != bold_ || italic != italic_)
        f.name_ = family_ + (bold && italic ? "-BoldOblique" : bold ? "-Bold" : italic ? "-Oblique" : "");
    return f;
}

FontMetrics Font::metrics() const {
    // Asked for at every drawing of a label of limited lines: kept per thread by what decides them.
    using Key = std::tuple<std::string, double, bool, bool>;
    thread_local std::map<Key, FontMetrics> known;
    Key key{name_, size_, bold_, italic_};
    if (auto it = known.find(key); it != known.end())
        return it->second;
    if (known.size() >= 256)
        known.clear();
    QFontMetricsF m(qt::toQFont(*this), qt::referenceDevice());
    FontMetrics out;
    out.ascent = m.ascent();
    out.descent = m.descent();
    out.leading = m.leading();
    out.lineHeight = m.ascent() + m.descent() + std::fmax(0.0, m.leading());
    out.capHeight = m.capHeight();
    out.xHeight = m.xHeight();
    known.emplace(std::move(key), out);
    return out;
}

double Font::widthOf(std::string_view text) const {
    QTextLine line;
    auto layout =
        singleLine(QString::fromUtf8(text.data(), qsizetype(text.size())), qt::toQFont(*this), &line);
    return line.isValid() ? line.naturalTextWidth() : 0;
}

bool fontsAvailable() {
    return fontTable().loaded;
}

// --- rich text

RichText& RichText::append(std::string_view text, const TextAttributes& attributes) {
    Item item{Item::Kind::Run, {std::string(text), attributes, paragraph_}, {}, {}};
    items_.push_back(std::move(item));
    return *this;
}

RichText& RichText::appendImage(const Image& image, const Rect& bounds) {
    Item item{Item::Kind::Image, {}, {image, bounds, paragraph_}, {}};
    items_.push_back(std::move(item));
    return *this;
}

RichText& RichText::appendTable(const TableBlock& table) {
    Item item{Item::Kind::Table, {}, {}, {table, paragraph_}};
    items_.push_back(std::move(item));
    return *this;
}

RichText& RichText::setParagraphStyle(const ParagraphStyle& style) {
    paragraph_ = style;
    return *this;
}

std::string RichText::plainText() const {
    std::string s;
    for (const Item& item : items_) {
        if (item.kind == Item::Kind::Run)
            s += item.run.text;
        else if (item.kind == Item::Kind::Table) {
            for (const auto& row : item.table.table.rows) {
                for (size_t i = 0; i < row.size(); ++i)
                    s += (i ? "\t" : "") + row[i];
                s += "\n";
            }
        }
    }
    return s;
}

// --- layouts

void TextLayout::Impl::draw(QPainter& painter, QPointF origin) const {
    if (document) {
        painter.save();
        painter.translate(origin);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        if (maxSize.height > 0)
            context.clip = QRectF(0, 0, maxSize.width > 0 ? maxSize.width : kUnbounded, maxSize.height);
        document->documentLayout()->draw(&painter, context);
        // Strike-throughs with a colour of their own are drawn over the text.
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            QTextLayout* layout = block.layout();
            QPointF blockPos = document->documentLayout()->blockBoundingRect(block).topLeft();
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                QTextFragment fragment = it.fragment();
                QVariant colour = fragment.charFormat().property(QTextFormat::UserProperty + 1);
                if (!fragment.isValid() || !colour.isValid())
                    continue;
                QFontMetricsF metrics(fragment.charFormat().font(), qt::referenceDevice());
                int start = fragment.position() - block.position();
                int end = start + fragment.length();
                for (int i = 0; i < layout->lineCount(); ++i) {
                    QTextLine line = layout->lineAt(i);
                    int from = std::max(start, line.textStart());
                    int to = std::min(end, line.textStart() + line.textLength());
                    if (from >= to)
                        continue;
                    double y = blockPos.y() + line.y() + line.ascent() - metrics.strikeOutPos();
                    QPen pen(colour.value<QColor>());
                    pen.setWidthF(std::max(0.5, metrics.lineWidth()));
                    painter.setPen(pen);
                    painter.drawLine(QPointF(blockPos.x() + line.cursorToX(from), y),
                                     QPointF(blockPos.x() + line.cursorToX(to), y));
                }
            }
        }
        painter.restore();
        return;
    }
    painter.save();
    painter.setPen(color);
    if (clip && maxSize.width > 0 && maxSize.height > 0)
        painter.setClipRect(QRectF(origin, QSizeF(maxSize.width, maxSize.height)), Qt::IntersectClip);
    for (const PlainLine& line : plain)
        line.layout->draw(&painter, origin + line.position);
    painter.restore();
}

TextLayout TextLayout::plain(std::string_view text, const TextStyle& style, Size maxSize) {
    qt::ensureGuiApplication();
    auto impl = std::make_shared<Impl>();
    impl->maxSize = maxSize;
    impl->color = qt::toQt(style.color.value_or(Color::black()));
    impl->clip = style.lineBreak == LineBreakMode::Clip;
    double maxW = maxSize.width > 0 ? maxSize.width : kUnbounded;
    double maxH = maxSize.height > 0 ? maxSize.height : kUnbounded;
    QFont font = qt::toQFont(style.font);
    QFontMetricsF metrics(font, qt::referenceDevice());

    // Each paragraph becomes one or more visible lines of plain text; a line shown as it was shaped to
    // be measured keeps that shaping for drawing (null: shaped again).
    std::vector<QString> visible;
    std::vector<std::unique_ptr<QTextLayout>> shaped;
    std::vector<bool> truncated;
    QString all = QString::fromUtf8(text.data(), qsizetype(text.size()));
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList paragraphs = all.split(QChar('\n'));
    bool wraps = style.lineBreak == LineBreakMode::WordWrap || style.lineBreak == LineBreakMode::CharWrap;
    double height = 0;
    bool full = false;
    for (qsizetype p = 0; p < paragraphs.size() && !full; ++p) {
        const QString& para = paragraphs[p];
        if (!wraps) {
            QTextLine probe;
            auto one = singleLine(para, font, &probe);
            double lineHeight = probe.isValid() ? probe.height() : metrics.height();
            if (!visible.empty() && height + lineHeight > maxH + 1e-6) {
                full = true;
                break;
            }
            height += lineHeight;
            Qt::TextElideMode mode = style.lineBreak == LineBreakMode::TruncateHead     ? Qt::ElideLeft
                                     : style.lineBreak == LineBreakMode::TruncateMiddle ? Qt::ElideMiddle
                                     : style.lineBreak == LineBreakMode::TruncateTail   ? Qt::ElideRight
                                                                                        : Qt::ElideNone;
            // A line that fits is shown whole; asking to elide it would only shape it once more.
            const bool fits = mode == Qt::ElideNone ||
                              (probe.isValid() && measuresAsShaped(para) && probe.naturalTextWidth() <= maxW);
            QString shown = fits ? para : metrics.elidedText(para, mode, maxW);
            const bool whole = shown == para;
            visible.push_back(std::move(shown));
            shaped.push_back(whole ? std::move(one) : nullptr);
            continue;
        }
        QTextLayout layout(para, font, qt::referenceDevice());
        QTextOption option;
        option.setWrapMode(wrapFor(style.lineBreak));
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<std::pair<int, int>> ranges;
        std::vector<double> heights;
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            line.setLineWidth(maxW);
            ranges.push_back({line.textStart(), line.textLength()});
            heights.push_back(line.height());
        }
        layout.endLayout();
        if (ranges.empty()) {
            ranges.push_back({0, 0});
            heights.push_back(metrics.height());
        }
        for (size_t i = 0; i < ranges.size(); ++i) {
            if (!visible.empty() && height + heights[i] > maxH + 1e-6) {
                full = true;
                // The last visible line shows the rest of the text, truncated at its end.
                if (!visible.empty()) {
                    QString rest = visible.back();
                    visible.back() = metrics.elidedText(
                        rest + QStringLiteral(" ") + para.mid(ranges[i].first), Qt::ElideRight, maxW);
                }
                break;
            }
            height += heights[i];
            QString part = para.mid(ranges[i].first, ranges[i].second);
            // Trailing spaces of a wrapped line do not show.
            while (i + 1 < ranges.size() && part.endsWith(QChar(' ')))
                part.chop(1);
            visible.push_back(part);
            shaped.push_back(nullptr);
        }
        if (full && p + 1 < paragraphs.size()) {
            break;
        }
        if (!full && p + 1 < paragraphs.size())
            continue;
    }
    if (full && !visible.empty() && wraps) {
        // A later paragraph that did not fit also truncates the last line.
        QString last = visible.back();
        if (!last.endsWith(QChar(0x2026)) && metrics.horizontalAdvance(last + QChar(0x2026)) > maxW)
            visible.back() = metrics.elidedText(last + QStringLiteral(" …"), Qt::ElideRight, maxW);
    }

    double y = 0, width = 0;
    for (size_t i = 0; i < visible.size(); ++i) {
        const QString& s = visible[i];
        QTextLine line;
        // Truncating a paragraph's last line above changes its text: it is shaped again then.
        std::unique_ptr<QTextLayout> layout;
        if (shaped[i] && shaped[i]->text() == s) {
            layout = std::move(shaped[i]);
            line = layout->lineAt(0);
        } else {
            layout = singleLine(s, font, &line);
        }
        double w = line.isValid() ? line.naturalTextWidth() : 0;
        double h = line.isValid() ? line.height() : metrics.height();
        width = std::max(width, w);
        impl->plain.push_back({std::move(layout), QPointF(0, y)});
        impl->lines.push_back({s.toStdString(), Rect(0, y, w, h), y + (line.isValid() ? line.ascent() : 0)});
        y += h;
    }
    // Alignment within the box (or within the widest line when unbounded).
    double box = maxSize.width > 0 ? maxSize.width : width;
    for (size_t i = 0; i < impl->plain.size(); ++i) {
        double w = impl->lines[i].rect.size.width;
        double dx = style.alignment == TextAlignment::Center  ? (box - w) / 2
                    : style.alignment == TextAlignment::Right ? box - w
                                                              : 0;
        impl->plain[i].position.setX(dx);
        impl->lines[i].rect.origin.x = dx;
    }
    impl->size = Size{std::min(width, maxW), y};
    TextLayout out;
    out.impl_ = impl;
    return out;
}

namespace {

// Qt's document layout reads format lengths (margins, indents, tabs, widths) as pixels of its default
// resolution and rescales them to the layout device; this factor turns our points into those units.
double formatUnit() {
    static const double unit = [] {
        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(qt::referenceDevice());
        doc.setDocumentMargin(0);
        QTextCursor cursor(&doc);
        QTextBlockFormat f;
        f.setTabPositions({QTextOption::Tab(100, QTextOption::LeftTab)});
        cursor.setBlockFormat(f);
        cursor.insertText(QStringLiteral("\tx"));
        doc.size();
        double x = doc.begin().layout()->lineAt(0).cursorToX(1);
        return x > 0 ? 100 / x : 1.0;
    }();
    return unit;
}

QTextBlockFormat blockFormat(const ParagraphStyle& p) {
    const double u = formatUnit();
    QTextBlockFormat f;
    f.setAlignment(alignFor(p.alignment));
    // Qt rescales vertical block margins and tab positions but takes indents as they are.
    f.setTextIndent(p.firstLineHeadIndent - p.headIndent);
    f.setLeftMargin(p.headIndent);
    f.setTopMargin(p.spacingBefore * u);
    f.setBottomMargin(p.spacingAfter * u);
    if (!p.tabStops.empty()) {
        QList<QTextOption::Tab> tabs;
        for (const TabStop& t : p.tabStops) {
            QTextOption::TabType type = t.alignment == TextAlignment::Right    ? QTextOption::RightTab
                                        : t.alignment == TextAlignment::Center ? QTextOption::CenterTab
                                                                               : QTextOption::LeftTab;
            tabs.append(QTextOption::Tab(t.location * u, type));
        }
        f.setTabPositions(tabs);
    }
    if (p.lineBreak != LineBreakMode::WordWrap && p.lineBreak != LineBreakMode::CharWrap)
        f.setNonBreakableLines(true);
    return f;
}

QTextCharFormat charFormat(const TextAttributes& a) {
    QTextCharFormat f;
    f.setFont(qt::toQFont(a));
    f.setForeground(qt::toQt(a.color));
    if (a.underline)
        f.setFontUnderline(true);
    if (a.strikethrough) {
        if (a.strikethroughColor && *a.strikethroughColor != a.color)
            f.setProperty(QTextFormat::UserProperty + 1, qt::toQt(*a.strikethroughColor));
        else
            f.setFontStrikeOut(true);
    }
    if (a.backgroundColor)
        f.setBackground(qt::toQt(*a.backgroundColor));
    if (!a.link.empty()) {
        f.setAnchor(true);
        f.setAnchorHref(QString::fromStdString(a.link));
    }
    return f;
}

void insertTable(QTextCursor& cursor, const TableBlock& t) {
    int rows = int(t.rows.size());
    int cols = 0;
    for (const auto& row : t.rows)
        cols = std::max(cols, int(row.size()));
    if (rows == 0 || cols == 0)
        return;
    const double u = formatUnit();
    // A frame needs a block before it; an empty one there takes no room.
    if (cursor.block().length() <= 1) {
        QTextBlockFormat spacer = cursor.blockFormat();
        spacer.setLineHeight(0, QTextBlockFormat::FixedHeight);
        spacer.setTopMargin(0);
        spacer.setBottomMargin(0);
        cursor.setBlockFormat(spacer);
    }
    QTextTableFormat format;
    format.setBorder(t.borderWidth * u);
    format.setBorderBrush(qt::toQt(t.borderColor));
    format.setBorderStyle(t.borderWidth > 0 ? QTextFrameFormat::BorderStyle_Solid
                                            : QTextFrameFormat::BorderStyle_None);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(t.cellPadding * u);
    format.setMargin(0);
    format.setHeaderRowCount(std::clamp(t.headerRows, 0, rows));
    if (t.width)
        format.setWidth(QTextLength(QTextLength::FixedLength, *t.width * u));
    QTextTable* table = cursor.insertTable(rows, cols, format);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const bool header = r < t.headerRows || c < t.headerColumns;
            QTextTableCell cell = table->cellAt(r, c);
            // With collapsed borders Qt draws the grid from the cells' own borders.
            QTextTableCellFormat cf = cell.format().toTableCellFormat();
            if (t.borderWidth > 0) {
                cf.setBorder(t.borderWidth * u);
                cf.setBorderBrush(qt::toQt(t.borderColor));
                cf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            }
            if (header && t.headerBackground)
                cf.setBackground(qt::toQt(*t.headerBackground));
            cell.setFormat(cf);
            QTextCursor cc = cell.firstCursorPosition();
            QTextBlockFormat bf;
            TextAlignment align =
                c < int(t.columnAlignments.size()) ? t.columnAlignments[c] : TextAlignment::Left;
            if (header && t.headerAlignment)
                align = *t.headerAlignment;
            bf.setAlignment(alignFor(align));
            cc.setBlockFormat(bf);
            if (c < int(t.rows[r].size()))
                cc.insertText(QString::fromStdString(t.rows[r][c]),
                              charFormat(header ? t.headerAttributes : t.attributes));
        }
    }
    cursor.movePosition(QTextCursor::End);
}

} // namespace

TextLayout TextLayout::rich(const RichText& text, Size maxSize) {
    qt::ensureGuiApplication();
    auto impl = std::make_shared<Impl>();
    impl->maxSize = maxSize;
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(qt::referenceDevice());
    doc->setDocumentMargin(0);
    doc->setDefaultFont(qt::toQFont(Font::system(12)));
    doc->setUndoRedoEnabled(false);
    auto paragraphOf = [](const RichText::Item& item) -> const ParagraphStyle& {
        return item.kind == RichText::Item::Kind::Run     ? item.run.paragraph
               : item.kind == RichText::Item::Kind::Image ? item.image.paragraph
                                                          : item.table.paragraph;
    };
    // The width, and the tab interval (the last paragraph's that sets one), are the document's before
    // its text: a change of either lays the whole document out again.
    double tabInterval = 0;
    for (const RichText::Item& item : text.items())
        if (paragraphOf(item).defaultTabInterval > 0)
            tabInterval = paragraphOf(item).defaultTabInterval;
    if (tabInterval > 0) {
        QTextOption option = doc->defaultTextOption();
        option.setTabStopDistance(tabInterval * formatUnit());
        doc->setDefaultTextOption(option);
    }
    const double maxW = maxSize.width > 0 ? maxSize.width : -1;
    doc->setTextWidth(maxW);
    QTextCursor cursor(doc.get());
    // One edit block: the document is laid out once, when it is whole, not after every insertion.
    cursor.beginEditBlock();
    bool first = true;
    int imageCount = 0;
    for (const RichText::Item& item : text.items()) {
        const ParagraphStyle& para = paragraphOf(item);
        if (first) {
            cursor.setBlockFormat(blockFormat(para));
            first = false;
        }
        switch (item.kind) {
        case RichText::Item::Kind::Run: {
            QString s = QString::fromUtf8(item.run.text.data(), qsizetype(item.run.text.size()));
            QStringList parts = s.split(QChar('\n'));
            QTextCharFormat cf = charFormat(item.run.attributes);
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    cursor.insertBlock(blockFormat(para), cf);
                else
                    cursor.setBlockFormat(blockFormat(para));
                if (!parts[i].isEmpty())
                    cursor.insertText(parts[i], cf);
            }
            break;
        }
        case RichText::Item::Kind::Image: {
            if (item.image.image.isNull() || !item.image.image.impl())
                break;
            QString name = QStringLiteral("ovrida-image:%1").arg(imageCount++);
            doc->addResource(QTextDocument::ImageResource, QUrl(name), qt::toQImage(item.image.image));
            QTextImageFormat f;
            f.setName(name);
            f.setWidth(item.image.bounds.width() * formatUnit());
            f.setHeight(item.image.bounds.height() * formatUnit());
            cursor.setBlockFormat(blockFormat(para));
            cursor.insertImage(f);
            break;
        }
        case RichText::Item::Kind::Table:
            insertTable(cursor, item.table.table);
            break;
        }
    }
    // Each block keeps the glyphs its layout shaped, so drawing does not shape its lines again.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
    cursor.endEditBlock();
    // The block that follows a table at the very end stays empty: it takes no room either.
    if (cursor.block().length() <= 1 && cursor.block().previous().isValid() &&
        QTextCursor(cursor.block().previous()).currentTable()) {
        QTextBlockFormat spacer = cursor.blockFormat();
        spacer.setLineHeight(0, QTextBlockFormat::FixedHeight);
        cursor.setBlockFormat(spacer);
    }
    double ideal = doc->idealWidth();
    double width = maxW > 0 ? std::min(ideal, maxW) : ideal;
    double height = doc->size().height();
    impl->size = Size{width, maxSize.height > 0 ? std::min(height, maxSize.height) : height};
    // Visible lines for the recorder and tests.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().lineHeightType() == QTextBlockFormat::FixedHeight && block.length() <= 1)
            continue; // a spacer beside a table
        QRectF br = doc->documentLayout()->blockBoundingRect(block);
        QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine line = layout->lineAt(i);
            QRectF r = line.naturalTextRect().translated(br.topLeft());
            if (maxSize.height > 0 && r.top() >= maxSize.height)
                continue;
            impl->lines.push_back({block.text().mid(line.textStart(), line.textLength()).toStdString(),
                                   Rect(r.x(), r.y(), r.width(), r.height()), r.y() + line.ascent()});
        }
    }
    impl->document = std::move(doc);
    TextLayout out;
    out.impl_ = impl;
    return out;
}

Size TextLayout::size() const {
    return impl_ ? impl_->size : Size{};
}

const std::vector<TextLayout::Line>& TextLayout::lines() const {
    static const std::vector<Line> none;
    return impl_ ? impl_->lines : none;
}

std::string TextLayout::text() const {
    std::string s;
    for (const Line& l : lines()) {
        if (!s.empty())
            s += '\n';
        s += l.text;
    }
    return s;
}

Size measureText(std::string_view text, const TextStyle& style, Size maxSize) {
    // The same texts are measured again and again (the cells of a grid every time it is shown): the
    // sizes are kept per thread by everything that decides them (the colour does not), a bounded set.
    std::string key(text);
    auto append = [&key](const void* bytes, size_t size) { key.append(static_cast<const char*>(bytes), size); };
    const double numbers[] = {style.font.size(), maxSize.width, maxSize.height};
    const int choices[] = {int(style.font.isBold()), int(style.font.isItalic()), int(style.alignment),
                           int(style.lineBreak)};
    key += '\0';
    key += style.font.name();
    key += '\0';
    key += style.font.familyName();
    key += '\0';
    append(numbers, sizeof numbers);
    append(choices, sizeof choices);
    thread_local std::unordered_map<std::string, Size> measured;
    if (auto it = measured.find(key); it != measured.end())
        return it->second;
    if (measured.size() >= 4096)
        measured.clear();
    Size s = TextLayout::plain(text, style, maxSize).size();
    const Size rounded{std::ceil(s.width), std::ceil(s.height)};
    measured.emplace(std::move(key), rounded);
    return rounded;
}

Size measureRichText(const RichText& text, Size maxSize) {
    Size s = TextLayout::rich(text, maxSize).size();
    return {std::ceil(s.width), std::ceil(s.height)};
}

} // namespace gfx
