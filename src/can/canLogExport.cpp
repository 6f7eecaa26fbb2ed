#include "can/canLogExport.h"

#include "can/canFrameModel.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <cctype>

QString copiedCellsText(QModelIndexList indexes)
{
    std::sort(indexes.begin(), indexes.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString text;
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        const QModelIndex &ix = indexes[i];
        if (i > 0)
            text += ix.row() != indexes[i - 1].row() ? QLatin1Char('\n') : QLatin1Char('\t');
        text += ix.data(Qt::DisplayRole).toString();
    }
    return text;
}

QString logText(const CANFrameModel &model)
{
    QString text;
    text.reserve(model.storedRowCount() * 64);
    const CANFrameData::DecodeContext context = model.decodeContext();
    for (int r = 0; r < model.storedRowCount(); ++r) {
        const CANFrameData &row = model.storedRow(r);
        if (r > 0)
            text += QLatin1Char('\n');
        for (int c = 0; c < CANFrameData::ColumnCount; ++c) {
            if (c > 0)
                text += QLatin1Char('\t');
            text += row.text(c, context);
        }
    }
    return text;
}

QStringList canLogColumnTitles()
{
    static const char *const titles[CANFrameData::ColumnCount] = {
        QT_TRANSLATE_NOOP("MainWindow", "序号"),   QT_TRANSLATE_NOOP("MainWindow", "时间戳"),
        QT_TRANSLATE_NOOP("MainWindow", "帧类型"), QT_TRANSLATE_NOOP("MainWindow", "帧格式"),
        QT_TRANSLATE_NOOP("MainWindow", "CAN类型"), QT_TRANSLATE_NOOP("MainWindow", "ID"),
        QT_TRANSLATE_NOOP("MainWindow", "状态"),   QT_TRANSLATE_NOOP("MainWindow", "数据长度"),
        QT_TRANSLATE_NOOP("MainWindow", "数据内容"), QT_TRANSLATE_NOOP("MainWindow", "解析")};
    QStringList out;
    for (const char *t : titles)
        out << QCoreApplication::translate("MainWindow", t);
    return out;
}

QString csvField(const QString &text)
{
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

bool writeCanLogCsv(QIODevice &device, const QList<CANFrameData> &rows, const QList<int> &columns,
                    const CsvProgress &progress, const CANFrameData::DecodeContext &context)
{
    QTextStream out(&device);
    out.setEncoding(QStringConverter::System);
    const QStringList titles = canLogColumnTitles();
    QStringList fields;
    for (int c : columns)
        fields << csvField(titles.value(c));
    out << fields.join(QLatin1Char(',')) << '\n';
    const int total = int(rows.size());
    for (int r = 0; r < total; ++r) {
        fields.clear();
        for (int c : columns)
            fields << csvField(rows[r].text(c, context));
        out << fields.join(QLatin1Char(',')) << '\n';
        if (out.status() != QTextStream::Ok)
            return false;
        if (progress && r % 1000 == 999 && !progress(r + 1, total))
            return false;
    }
    out.flush();
    return out.status() == QTextStream::Ok;
}

double busLoadPercent(double framesPerSecond, bool canFd)
{
    const double capacity = canFd ? 21551.0 : 10000.0;
    return std::clamp(framesPerSecond / capacity, 0.0, 0.99) * 100.0;
}

bool parseFeedbackText(const QString &text, std::array<uint8_t, 8> &bytes, QString *badPair)
{
    QString digits = text.simplified().remove(QLatin1Char(' '));
    while (digits.size() < 16)
        digits.append(QLatin1Char('0'));
    std::array<uint8_t, 8> out{};
    for (int k = 0; k < 8; ++k) {
        const QString pair = digits.mid(2 * k, 2);
        const bool hex = std::all_of(pair.begin(), pair.end(), [](QChar c) { return c.unicode() < 128 && isxdigit(c.unicode()); });
        if (!hex) {
            if (badPair)
                *badPair = pair;
            return false;
        }
        out[size_t(k)] = uint8_t(pair.toUInt(nullptr, 16));
    }
    bytes = out;
    return true;
}
