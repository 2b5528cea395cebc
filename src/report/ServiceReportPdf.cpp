#include "ServiceReportPdf.h"
#include "shared/SavedFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <memory>

namespace {

// Sheet and print resolution: A4 at 300 dots per inch, 15 mm margins.
constexpr int Dpi = 300;
constexpr double MarginMm = 15;
// Body text size, points.
constexpr double BodyPoints = 9.5;
// A long page shrinks to fit its sheet down to this scale; beyond it, it
// continues on further sheets rather than becoming unreadably small.
constexpr double MinScale = 0.6;
constexpr double ScaleStep = 0.93;
// Pictures: drawn at this many dots across and high (wide strip charts and
// the signal plots), at the print resolution.
constexpr int PictureWidth = 2000;
constexpr int TrendHeight = 640;
constexpr int PlotHeight = 720;

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

// A picture drawn at print size with text the size of the body text.
QImage drawPicture(const ReportPicture& pic) {
    const int height = pic.trend ? TrendHeight : PlotHeight;
    QImage image(PictureWidth, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(Dpi / 0.0254));
    image.setDotsPerMeterY(int(Dpi / 0.0254));
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font = QGuiApplication::font();
    font.setPointSizeF(BodyPoints);
    p.setFont(font);
    if (pic.trend) {
        TrendChart::paint(p, QRectF(image.rect()), *pic.trend);
    } else if (pic.plot) {
        const ReportPlot& plot = *pic.plot;
        const QFontMetricsF fm(font, &image);
        const QRectF area = QRectF(image.rect()).adjusted(4, 4, -4, -(fm.height() * 1.6));
        const double w = plot.right - plot.left, h = plot.bottom - plot.top;
        const auto at = [&](QPointF u) {
            return QPointF(
                w == 0 ? area.left() : area.left() + (u.x() - plot.left) / w * area.width(),
                h == 0 ? area.top() : area.top() + (u.y() - plot.top) / h * area.height());
        };
        p.setPen(QColor(225, 225, 225));
        for (int k = 1; k < 4; ++k) {
            p.drawLine(QPointF(area.left() + area.width() * k / 4, area.top()),
                       QPointF(area.left() + area.width() * k / 4, area.bottom()));
            p.drawLine(QPointF(area.left(), area.top() + area.height() * k / 4),
                       QPointF(area.right(), area.top() + area.height() * k / 4));
        }
        p.save();
        p.setClipRect(area);
        p.setRenderHint(QPainter::Antialiasing);
        for (const ReportPlot::Stroke& stroke : plot.strokes) {
            if (stroke.points.isEmpty())
                continue;
            p.setPen(QPen(stroke.colour, 3));
            QPainterPath path(at(stroke.points.first()));
            for (qsizetype i = 1; i < stroke.points.size(); ++i)
                path.lineTo(at(stroke.points[i]));
            p.drawPath(path);
        }
        p.restore();
        p.setPen(QColor(140, 140, 140));
        p.drawRect(area);
        double x = area.left();
        const double y = area.bottom() + fm.height() * 0.3;
        for (const auto& [colour, text] : plot.keys) {
            p.fillRect(QRectF(x, y + fm.height() / 2 - 3, fm.height() * 1.5, 6), colour);
            x += fm.height() * 2;
            p.setPen(Qt::black);
            p.drawText(QRectF(x, y, fm.horizontalAdvance(text) + 4, fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, text);
            x += fm.horizontalAdvance(text) + fm.height() * 2;
        }
        if (plot.strokes.isEmpty()) {
            p.setPen(QColor(140, 140, 140));
            p.drawText(area, Qt::AlignCenter, QStringLiteral("Nothing captured"));
        }
    }
    return image;
}

QString rowsHtml(const QList<ReportRow>& rows) {
    QString h = QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" "
                               "style=\"border-collapse: collapse; border: 1px solid #aaa\">");
    for (const ReportRow& r : rows) {
        h += QStringLiteral(
                 "<tr><td width=\"34%\" style=\"border: 1px solid #aaa\">%1</td>"
                 "<td width=\"26%\" align=\"right\" style=\"border: 1px solid #aaa\">"
                 "<b>%2</b></td><td width=\"14%\" style=\"border: 1px solid #aaa\">%3</td>"
                 "<td width=\"26%\" style=\"border: 1px solid #aaa; color: #555\">%4</td>"
                 "</tr>")
                 .arg(esc(r.name), esc(r.value), esc(r.unit), esc(r.note));
    }
    return h + QStringLiteral("</table>");
}

struct LaidPage {
    std::unique_ptr<QTextDocument> doc;
    double scale = 1;
    int sheets = 1;
    QSizeF pageSize; // in document units, before scaling
};

LaidPage layOut(const ServiceReport& report, const ReportPage& page, QPaintDevice& device,
                const QSizeF& area) {
    LaidPage laid;
    laid.doc = std::make_unique<QTextDocument>();
    QTextDocument& doc = *laid.doc;
    doc.documentLayout()->setPaintDevice(&device);
    QFont font = QGuiApplication::font();
    font.setPointSizeF(BodyPoints);
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);

    QString html = QStringLiteral("<table width=\"100%\"><tr><td><span style=\"font-size: 16pt\">"
                                  "<b>%1</b></span></td><td align=\"right\">%2</td></tr></table>"
                                  "<hr/><h2>%3</h2>")
                       .arg(esc(report.title), esc(report.subtitle), esc(page.title));
    int picture = 0;
    for (const ReportSection& s : page.sections) {
        html += QStringLiteral("<h3>%1</h3>").arg(esc(s.title));
        if (!s.rows.isEmpty())
            html += rowsHtml(s.rows);
        if (s.rows.isEmpty() && s.pictures.isEmpty() && s.text.isEmpty() && !s.emptyText.isEmpty())
            html += QStringLiteral("<p><i>%1</i></p>").arg(esc(s.emptyText));
        for (const ReportPicture& pic : s.pictures) {
            const QString name = QStringLiteral("picture%1").arg(picture++);
            const QImage image = drawPicture(pic);
            doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
            // Sizes in the document are in pixels of a 96 dpi screen; the
            // layout scales them to the sheet's resolution.
            const double toScreen = 96.0 / Dpi;
            html +=
                QStringLiteral("<p><i>%1</i><br/><img src=\"%2\" width=\"%3\" height=\"%4\"/></p>")
                    .arg(esc(pic.caption), name)
                    .arg(int(image.width() * toScreen))
                    .arg(int(image.height() * toScreen));
        }
        if (!s.text.isEmpty())
            html += QStringLiteral("<p style=\"white-space: pre-wrap\">%1</p>").arg(esc(s.text));
    }
    doc.setHtml(html);

    for (laid.scale = 1.0;; laid.scale *= ScaleStep) {
        laid.pageSize = QSizeF(area.width() / laid.scale, area.height() / laid.scale);
        doc.setPageSize(laid.pageSize);
        laid.sheets = doc.pageCount();
        if (laid.sheets == 1 || laid.scale * ScaleStep < MinScale)
            break;
    }
    return laid;
}

} // namespace

QByteArray ServiceReportPdf::render(const ServiceReport& report) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(Dpi);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                           QPageLayout::Millimeter);
        pdf.setTitle(report.title + QStringLiteral(" - ") + report.subtitle);
        pdf.setCreator(QStringLiteral("Corvane"));
        const QRectF sheet = pdf.pageLayout().paintRectPixels(Dpi);

        QFont footFont = QGuiApplication::font();
        footFont.setPointSizeF(BodyPoints * 0.85);
        const double footHeight = QFontMetricsF(footFont, &pdf).height() * 2;
        const QSizeF area(sheet.width(), sheet.height() - footHeight);

        std::vector<LaidPage> pages;
        int sheets = 0;
        for (const ReportPage& page : report.pages) {
            pages.push_back(layOut(report, page, pdf, area));
            sheets += pages.back().sheets;
        }

        QPainter p(&pdf);
        int n = 0;
        for (const LaidPage& laid : pages) {
            for (int k = 0; k < laid.sheets; ++k) {
                if (n > 0)
                    pdf.newPage();
                ++n;
                p.save();
                p.scale(laid.scale, laid.scale);
                p.translate(0, -k * laid.pageSize.height());
                laid.doc->drawContents(
                    &p, QRectF(QPointF(0, k * laid.pageSize.height()), laid.pageSize));
                p.restore();
                p.setFont(footFont);
                p.setPen(QColor(90, 90, 90));
                p.drawText(
                    QRectF(0, sheet.height() - footHeight / 2, sheet.width(), footHeight / 2),
                    Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Page %1 of %2").arg(n).arg(sheets));
                p.drawText(
                    QRectF(0, sheet.height() - footHeight / 2, sheet.width(), footHeight / 2),
                    Qt::AlignLeft | Qt::AlignVCenter, report.subtitle);
            }
        }
    }
    return buffer.data();
}

bool ServiceReportPdf::save(const ServiceReport& report, const QString& path, QString* error) {
    return SavedFile::write(path, render(report), error);
}
