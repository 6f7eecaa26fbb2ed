#include "motor/ui/reportWriter.h"

#include "log/fileSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

ReportFiles writeReportFiles(const MotorReport &report, const QList<QPair<QString, QImage>> &pictures,
                             const QString &folder)
{
    ReportFiles out;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        out.error = QCoreApplication::translate("MotorReport", "报告文件夹不存在: %1").arg(folder);
        return out;
    }
    const QString base = reportBaseName(report);
    QList<QPair<QString, QString>> names;
    QTextDocument doc;
    for (const auto &p : pictures) {
        if (p.second.isNull())
            continue;
        const QString file = QStringLiteral("%1_%2.png").arg(base, p.first);
        if (!p.second.save(dir.filePath(file))) {
            out.error = QCoreApplication::translate("MotorReport", "无法写入文件: %1").arg(dir.filePath(file));
            return out;
        }
        names.append({p.first, file});
        doc.addResource(QTextDocument::ImageResource, QUrl(file), p.second);
    }
    const QString html = motorReportHtml(report, names);
    out.html = dir.filePath(base + QStringLiteral(".html"));
    QString why;
    if (saveFileAtomically(out.html, html.toUtf8(), &why) != FileSaveResult::Saved) {
        out.error = QCoreApplication::translate("MotorReport", "无法写入文件: %1").arg(out.html) + QStringLiteral(" (") + why + QStringLiteral(")");
        return out;
    }
    out.pdf = dir.filePath(base + QStringLiteral(".pdf"));
    QPdfWriter writer(out.pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(150);
    writer.setTitle(base);
    writer.setCreator(QStringLiteral("zktool ") + report.toolVersion);
    doc.setHtml(html);
    doc.print(&writer);
    if (!QFileInfo(out.pdf).exists() || QFileInfo(out.pdf).size() == 0) {
        out.error = QCoreApplication::translate("MotorReport", "无法写入文件: %1").arg(out.pdf);
        return out;
    }
    out.ok = true;
    return out;
}
