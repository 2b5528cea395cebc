#pragma once

#include "LogGraph.h"

#include <QPointF>
#include <QWidget>

class LogPlot;
class Prompts;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollBar;

// The graph and the listing of the datalog window: Picture6 (with Shape1),
// chkZoom, HScroll1, txtLogDt(0)-(3) with Label1 and Label2, Text8 and
// VScroll1. Reads the log in memory; the window that holds it calls
// logReplacing() when a download or load starts and showNewLog() when a new
// log is in place. Messages go through the prompts seam.
class LogGraphPanel : public QWidget {
    Q_OBJECT
public:
    LogGraphPanel(const DatalogRecord& log, Prompts& prompts, QWidget* parent = nullptr);

    // chkZoom's values: whole log, 60-point window, grey (log being replaced).
    enum Zoom { WholeLog = 0, Window = 1, Grey = 2 };

    // A download or load starts: the zoom box turns grey and draws nothing.
    void logReplacing();
    // A new log is in place: scroll ranges from its size, the listing from
    // the top, the whole log drawn.
    void showNewLog();
    // The replacement failed and the log shown before stays: the zoom box
    // gets back the value it had and the graph is drawn again.
    void logKept();

    // File > "Export CSV...": enabled while a log of two points or more is shown.
    QAction* exportCsvAction() const { return exportCsv_; }
    void ExportCsv_Click();

    // The handlers, public so the window and tests drive them as a user does.
    void ShowLog(qint32 first, qint32 count, double yTop, double yBottom);
    void chkZoom_Click();
    void HScroll1_Change();
    void VScroll1_Change();
    void Picture6_MouseDown(QPointF graph);
    void Picture6_MouseMove(QPointF graph);
    void Picture6_MouseUp(QPointF graph);

    int zoom() const;
    void setZoom(int value);

    LogPlot* plot() const { return Picture6_; }
    // Shape1's rectangle in graph coordinates (left, top = larger y, width,
    // height), as last shown.
    QRectF shapeRect() const { return shapeRect_; }

private:
    const DatalogRecord& log_;
    Prompts& prompts_;
    LogPlot* Picture6_;
    QCheckBox* chkZoom_;
    QScrollBar* HScroll1_;
    QScrollBar* VScroll1_;
    QLineEdit* txtLogDt_[4];
    QPlainTextEdit* Text8_;
    QAction* exportCsv_;
    int zoomBeforeReplacing_ = WholeLog;
    bool dragging_ = false;
    QPointF corner_;
    QRectF shapeRect_;
};
