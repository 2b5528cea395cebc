#pragma once

#include "ui/TrendChart.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <utility>

#include <optional>

// The service report as a document: pages of titled sections, each a table
// of named values with their units, pictures and free text. Every value is
// text already in the form the program's windows show it. Built first and
// checked as data; the PDF writer only lays it out.

// One setting or figure: its name, the value as shown, its unit ("" for a
// pure number or a choice) and a remark.
struct ReportRow {
    ReportRow() = default;
    ReportRow(QString name, QString value, QString unit = {}, QString note = {})
        : name(std::move(name)), value(std::move(value)), unit(std::move(unit)),
          note(std::move(note)) {}
    QString name, value, unit, note;
    bool operator==(const ReportRow&) const = default;
};

// A signal plot as the program draws it: coloured polylines in a user
// coordinate system (left, top at the top left; right, bottom at the bottom
// right).
struct ReportPlot {
    struct Stroke {
        QColor colour;
        QList<QPointF> points;
    };
    double left = 0, top = 1, right = 1, bottom = 0;
    QList<Stroke> strokes;
    // Captions of the curves and their colours.
    QList<QPair<QColor, QString>> keys;
};

struct ReportPicture {
    QString caption;
    std::optional<TrendChart::Span> trend;
    std::optional<ReportPlot> plot;
};

struct ReportSection {
    ReportSection() = default;
    explicit ReportSection(QString title) : title(std::move(title)) {}
    QString title;
    QList<ReportRow> rows;
    QList<ReportPicture> pictures;
    // Free text under the table, line breaks kept.
    QString text;
    // Said when the section has nothing to show ("Not read in this session").
    QString emptyText;

    const ReportRow* row(const QString& name) const;
};

struct ReportPage {
    QString title;
    QList<ReportSection> sections;
};

struct ServiceReport {
    QString title;
    // Under the title on every page: the meter and the time of the report.
    QString subtitle;
    QList<ReportPage> pages;

    // The first section of that title on any page, or null.
    const ReportSection* section(const QString& title) const;
};
