#pragma once

#include "ui/LivePage.h"

#include <QWidget>

#include <functional>

class SignalDiagnostics;
class ServiceSwitches;
class PlotSurface;
class QGridLayout;
class QLineEdit;
class QPushButton;

// What the four signal pages share: boxes and pictures named as the program
// knows them, filled from SignalDiagnostics whenever it changes (so a box
// written by another page's tick is current here too), and a "Save to Log"
// button that the field-diagnostics switch shows.
class DiagnosticPage : public QWidget, public LivePage {
    Q_OBJECT
public:
    DiagnosticPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                   QWidget* parent = nullptr);

    // What the "Save to Log" button does (the communications log's record).
    std::function<void()> onSaveToLog;

    // Dims every box and picture; the buttons and choices stay usable.
    void setStale(bool stale) override;
    // A named box of the page and the caption it is known by.
    struct Figure {
        QString caption, name;
    };
    // Every box of the page, in the order the page shows them.
    const QList<Figure>& figures() const { return figures_; }
    // Whether the page has been refreshed in this session: what it shows
    // then includes captures of its own.
    bool visited() const { return visited_; }

protected:
    // A read-only box with its caption to the left, in row of grid, wide
    // enough for a number of digits characters long. figureCaption names the
    // box where the caption alone does not (empty: the caption).
    QLineEdit* addBox(QGridLayout* grid, int row, int column, const QString& name,
                      const QString& caption, int digits = 13, const QString& figureCaption = {});
    // A framed picture Picture1(index) with its caption as the frame's
    // title; under it the key of its curves and one named box.
    QWidget* addPicture(int index, const QString& caption,
                        const QList<QPair<QColor, QString>>& keys, const QString& boxName,
                        const QString& boxCaption);
    QPushButton* addSaveButton(const QString& name);
    // The row of gain, output power and signal strength of the capture pages.
    QWidget* transducerRow(QPushButton* saveButton);

    // Shows every named box and picture of the page from the diagnostics.
    void showCurrent();
    // Called by each page's Refresh.
    void markVisited() { visited_ = true; }

    SignalDiagnostics& diagnostics_;

private:
    ServiceSwitches& switches_;
    QList<Figure> figures_;
    bool visited_ = false;
};
