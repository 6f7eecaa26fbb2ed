#pragma once

#include "motor/motorReport.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

// Writes a motor's record as an HTML page (pictures as PNG files beside it) and as a PDF
// of the same page, with Qt's own document and PDF writer.
struct ReportFiles
{
    bool ok = false;
    QString html;
    QString pdf;
    QString error; // translated
};
// `pictures`: the section a picture belongs to ("calibration", "quality") and the picture.
ReportFiles writeReportFiles(const MotorReport &report, const QList<QPair<QString, QImage>> &pictures,
                             const QString &folder);
