// The CAN tab of the main window: the transmit panel (length fields, data conversion,
// sending once, N times or periodically with counting, the ID increment dialog) and the
// receive log (view, filter, copy, CSV export, bus load) with the feedback analysis
// field of the debug page.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canFrameModel.h"
#include "can/canLogExport.h"
#include "can/canTxModel.h"
#include "can/ui/canLogBar.h"
#include "can/ui/canTxDialogs.h"
#include "can/ui/feedbackAnalysisBox.h"
#include "charts/ui/waveForm.h"
#include "firmware/firmwareUpgrade.h"
#include "link/sendingRoads.h"
#include "link/serial/protocolFormat.h"
#include "link/usb/canTxType.h"
#include "procedures/customCDC.h"
#include "log/fileSave.h"
#include "log/log.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/detachedWindow.h"
#include "widgets/dialogService.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace {

// The conversion of a data page, without any box: the periodic send must stop before a
// warning runs its own event loop, or every tick would open another one inside it.
CanDataConversion convertPage(QLineEdit *length, CustomPlainTextEdit *edit, bool fd)
{
    bool ok = false;
    const int n = length->text().toInt(&ok, 10);
    if (!ok || n < 0)
        return convertCanDataText(length->text(), QString());
    edit->padHexRightToLimit();
    const QString text = edit->toPlainText();
    if (fd && text.isEmpty())
        Logger::info("输入数据无，用0填充", "convertFDCANData");
    return convertCanDataText(length->text(), text);
}

void warnConversion(QWidget *parent, const CanDataConversion &c)
{
    const QString title = MainWindow::tr("警告");
    if (c.error == CanDataConversion::BadLength)
        DialogService::warning(parent, title, MainWindow::tr("dlc输入不合法"));
    else if (c.error == CanDataConversion::BadHex)
        DialogService::warning(parent, title, MainWindow::tr("Invalid hexadecimal value: %1").arg(c.badPart));
}

// The bytes a data page will send, as the conversion at send time makes them (the edit
// itself is normalised only then).
QString dataPreviewText(QLineEdit *length, CustomPlainTextEdit *edit)
{
    bool ok = false;
    const int n = length->text().toInt(&ok, 10);
    if (!ok || n < 0)
        return MainWindow::tr("发送数据：请填写数据长度");
    const CanDataConversion c =
        convertCanDataText(length->text(), CustomPlainTextEdit::paddedHex(edit->toPlainText(), n));
    if (c.error == CanDataConversion::BadHex)
        return MainWindow::tr("发送数据：无效的十六进制值 %1").arg(c.badPart);
    return MainWindow::tr("发送数据：%1").arg(n == 0 ? MainWindow::tr("(无)") : canDataBytesText(c.data));
}

// The box layout that holds `w` directly, searched from its parent's layout.
QBoxLayout *layoutHolding(QLayout *layout, QWidget *w)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(w) >= 0)
        return qobject_cast<QBoxLayout *>(layout);
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout *found = layoutHolding(layout->itemAt(i)->layout(), w))
            return found;
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------- receive log

void MainWindow::canFrameModelInit()
{
    canFrameModel.reset(new CANFrameModel);
    QTableView *view = ui->tableView;
    view->setModel(canFrameModel.data());
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const int widths[] = {60, 80, 50, 50, 58, 70, 58, 58};
    for (int c = 0; c < 8; ++c) {
        view->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Fixed);
        view->setColumnWidth(c, widths[c]);
    }
    // The data column gives way to the decoded one while that is shown.
    view->horizontalHeader()->setSectionResizeMode(8, QHeaderView::Interactive);
    view->setColumnWidth(8, 200);
    view->horizontalHeader()->setSectionResizeMode(CANFrameData::DecodedColumn, QHeaderView::Stretch);
    canFrameModel->setDecodeSource([this] {
        CANFrameData::DecodeContext c;
        c.ranges = ranges.get();
        c.canid = motorCanid.load();
        c.masterid = motorMasterid.load();
        return c;
    });
    view->verticalHeader()->setVisible(false);
    // Every row as high as the default: the view never measures a row of a full log.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(true);
    view->setTextElideMode(Qt::ElideNone);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &MainWindow::showCanLogMenu);
    auto *copy = new QAction(view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(copy);
    connect(copy, &QAction::triggered, this, &MainWindow::copySelectedLogCells);

    CANLogBar *bar = ui->canLogBar;
    auto showCounts = [this, bar] { bar->showCounts(canFrameModel->rowCount(), canFrameModel->storedRowCount()); };
    connect(bar, &CANLogBar::filterChanged, this, [this, showCounts](const CANLogFilter &f) {
        canFrameModel->setFilter(f);
        ui->tableView->scrollToBottom();
        showCounts();
    });
    connect(canFrameModel.data(), &QAbstractItemModel::rowsInserted, bar, showCounts);
    connect(canFrameModel.data(), &QAbstractItemModel::modelReset, bar, showCounts);
    connect(bar, &CANLogBar::decodedColumnToggled, this, &MainWindow::showDecodedColumn);

    // The data fields hold hexadecimal pairs; the length fields set their byte limit.
    ui->canDataEdit->setHexMode(true);
    ui->fdcanDataEdit->setHexMode(true);
    for (CustomPlainTextEdit *edit : {ui->canDataEdit, ui->fdcanDataEdit})
        connect(edit, &QPlainTextEdit::textChanged, this, &MainWindow::updateCanDataPreview);
    for (QLineEdit *length : {ui->canDataLenEdit, ui->fdcanDataLenEdit})
        connect(length, &QLineEdit::textChanged, this, &MainWindow::updateCanDataPreview);
    // The box decides the bit-rate switch of the tab's CAN FD frames (the read-back only
    // proposes it).
    connect(ui->dataSectionAcc, &QCheckBox::toggled, canTxModel.data(), &CANTxModel::setDataSectionAcc);
    updateCanDataPreview();
    setCanSendTips();
}

void MainWindow::showDecodedColumn(bool shown)
{
    QHeaderView *header = ui->tableView->horizontalHeader();
    ui->tableView->setColumnHidden(CANFrameData::DecodedColumn, !shown);
    header->setSectionResizeMode(8, shown ? QHeaderView::Interactive : QHeaderView::Stretch);
    if (shown)
        ui->tableView->setColumnWidth(8, 200);
}

void MainWindow::updateCanDataPreview()
{
    ui->canDataPreviewLabel->setText(dataPreviewText(ui->canDataLenEdit, ui->canDataEdit));
    ui->fdcanDataPreviewLabel->setText(dataPreviewText(ui->fdcanDataLenEdit, ui->fdcanDataEdit));
}

void MainWindow::takeCanIdText()
{
    // Kept as typed (a send refuses it with the reason); marked at once. Refusing here
    // would race the send button whose click ended the editing.
    const QString text = ui->canIdEdit->text();
    canTxModel->setCanId(text);
    quint32 id = 0;
    ui->canIdEdit->setStyleSheet(parseCanIdText(text, &id) ? QString() : QStringLiteral("color: red"));
}

bool MainWindow::canSendSettings(quint32 *id, qint32 *times)
{
    QString why;
    if (parseCanIdText(canTxModel->canId(), id, &why) && parseSendTimesText(ui->sendTimesEdit->text(), times, &why))
        return true;
    DialogService::warning(this, tr("警告"), why);
    return false;
}

// Called again on a language switch: these tips are not part of the generated form.
void MainWindow::setCanSendTips()
{
    ui->sendTimesEdit->setToolTip(tr("发送次数；USB适配器上 -1 表示一直发送，直到按下停止"));
    ui->sendIntervalEdit->setToolTip(tr("两次发送之间的间隔，毫秒"));
    ui->dataAcc->setToolTip(tr("每次发送后数据递增：长度为1、2、4、8字节时，前几个字节写入发送计数（小端）"));
    ui->idAcc->setToolTip(tr("每次发送后ID按步距递增，按 停止ID+1 取模回绕；勾选时打开配置"));
    ui->dataSectionAcc->setToolTip(tr("CAN FD帧的数据域以数据域波特率发送（位速率切换 BRS）；经典CAN帧不受影响"));
    ui->canIdEdit->setToolTip(tr("帧ID，十六进制：标准帧 0~7FF，扩展帧 0~1FFFFFFF"));
    updateCanDataPreview();
}

void MainWindow::appendLogRows(const QList<CANFrameData> &rows, quint64 passedBy)
{
    // The log follows its newest row while the user is at the end; scrolled back to read,
    // the rows on screen stay put while older ones leave the front.
    QScrollBar *bar = ui->tableView->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int removed = canFrameModel->appendRows(rows, passedBy);
    if (following)
        ui->tableView->scrollToBottom();
    else if (removed > 0)
        bar->setValue(qMax(0, bar->value() - removed));
}

void MainWindow::showCanLogMenu(const QPoint &pos)
{
    QMenu menu(this);
    const QItemSelectionModel *selection = ui->tableView->selectionModel();
    if (selection && selection->hasSelection() && !selection->selectedIndexes().isEmpty())
        connect(menu.addAction(tr("复制内容")), &QAction::triggered, this, &MainWindow::copySelectedLogCells);
    if (canFrameModel->storedRowCount() > 0)
        connect(menu.addAction(tr("复制全部")), &QAction::triggered, this, &MainWindow::copyWholeLog);
    if (!menu.isEmpty())
        menu.exec(ui->tableView->viewport()->mapToGlobal(pos));
}

void MainWindow::copySelectedLogCells()
{
    const QItemSelectionModel *selection = ui->tableView->selectionModel();
    if (!selection || !selection->hasSelection())
        return;
    QApplication::clipboard()->setText(copiedCellsText(selection->selectedIndexes()));
}

void MainWindow::copyWholeLog() { QApplication::clipboard()->setText(logText(*canFrameModel)); }

void MainWindow::on_ExportAnaysis_clicked()
{
    QList<int> columns;
    bool visibleOnly = false;
    {
        ExportColumnsDialog dialog(canLogColumnTitles(), canFrameModel->isFiltered(), this);
        dialog.setColumnChecked(CANFrameData::DecodedColumn, !ui->tableView->isColumnHidden(CANFrameData::DecodedColumn));
        if (DialogService::exec(&dialog) != QDialog::Accepted)
            return;
        columns = dialog.checkedColumns();
        visibleOnly = dialog.visibleOnly();
    }
    if (columns.isEmpty()) {
        DialogService::warning(this, tr("选择错误"), tr("请至少选择一列进行导出！"));
        return;
    }
    const QString path = DialogService::getSaveFileName(this, tr("导出数据"), QDir::homePath(), tr("CSV文件 (*.csv)"));
    if (path.isEmpty())
        return;
    // The rows as they are now: the log goes on rolling while the dialog shows progress.
    const QList<CANFrameData> rows = canFrameModel->snapshot(visibleOnly);
    QProgressDialog progress(tr("正在导出数据..."), tr("取消"), 0, int(rows.size()), this);
    progress.setObjectName("exportProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    // Written beside the target and put in its place only when complete: a failed or
    // cancelled export leaves an earlier file of that name as it was.
    const FileSaveResult saved = saveFileAtomically(path, [&](QIODevice &file) {
        return writeCanLogCsv(
            file, rows, columns,
            [&progress](int done, int) {
                progress.setValue(done);
                return !progress.wasCanceled();
            },
            canFrameModel->decodeContext());
    });
    const bool cancelled = progress.wasCanceled();
    progress.reset();
    if (cancelled)
        return;
    if (saved == FileSaveResult::OpenFailed) {
        DialogService::warning(this, tr("导出失败"), tr("无法打开文件: %1").arg(path));
        return;
    }
    if (saved == FileSaveResult::WriteFailed) {
        DialogService::warning(this, tr("导出失败"), tr("写入文件失败，原文件保持不变: %1").arg(path));
        return;
    }
    DialogService::information(this, tr("导出成功"), tr("数据已成功导出到: %1").arg(path));
}

// ---------------------------------------------------------------- bus load

void MainWindow::on_ChannelOccupancyRate_clicked()
{
    if (occupancyWindow && occupancyWindow->isVisible()) {
        occupancyWindow->raise();
        occupancyWindow->activateWindow();
        return;
    }
    QBoxLayout *home = layoutHolding(ui->CORGroupBox->parentWidget()->layout(), ui->CORGroupBox);
    auto *window = new DetachedWindow(this, tr("总线占用率实时曲线"), QSize(800, 600));
    window->setObjectName("occupancyWindow");
    window->borrow(ui->CORGroupBox, home);
    occupancyWindow = window;
    window->show();
}

void MainWindow::calculateOccupancy()
{
    currentBusLoad = busLoadPercent(fps, canTxModel->canType());
    ui->COR->prepareData({float(currentBusLoad)});
}

// ---------------------------------------------------------------- feedback analysis

void MainWindow::on_canDataAnalysisEdit_editingFinished()
{
    FeedbackAnalysisBox *box = ui->feedbackAnalysisBox;
    std::array<uint8_t, 8> d{};
    QString badPair;
    if (!parseFeedbackText(box->edit()->text(), d, &badPair)) {
        DialogService::warning(this, tr("解析错误"), tr("无效的十六进制字符: ") + badPair);
        return;
    }
    const MotorFeedback fb = decodeFeedback(d, ranges.get());
    box->positionLabel()->setText(QString::number(fb.position, 'g', 6));
    box->velocityLabel()->setText(QString::number(fb.velocity, 'g', 6));
    box->torqueLabel()->setText(QString::number(fb.torque, 'g', 6));
    // The values the feedback decoder keeps; the labels change only when they differ.
    shownMotorTemp = fb.motorTemp;
    shownDriverTemp = fb.driverTemp;
    if (ui->motorTempLabel->text() != temperatureText(fb.motorTemp))
        emit motorTempChanged(fb.motorTemp);
    if (ui->driverTempLabel->text() != temperatureText(fb.driverTemp))
        emit driverTempChanged(fb.driverTemp);
    emit motorErrorChanged(fb.state);
}

// ---------------------------------------------------------------- transmit panel

void MainWindow::on_canDataLenEdit_textChanged(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (ok && isCanDataLength(n))
        ui->canDataEdit->setByteLimit(n);
    else if (!text.isEmpty())
        ui->canDataLenEdit->clear();
}

void MainWindow::on_fdcanDataLenEdit_textChanged(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (ok && isFdCanDataLength(n))
        ui->fdcanDataEdit->setByteLimit(n);
    else if (!text.isEmpty())
        ui->fdcanDataLenEdit->clear();
}

QByteArray MainWindow::convertCANData()
{
    const CanDataConversion c = convertPage(ui->canDataLenEdit, ui->canDataEdit, false);
    warnConversion(this, c);
    return c.data;
}

QByteArray MainWindow::convertFDCANData()
{
    const CanDataConversion c = convertPage(ui->fdcanDataLenEdit, ui->fdcanDataEdit, true);
    warnConversion(this, c);
    return c.data;
}

CanBusFrame MainWindow::canTabFrame(const QByteArray &data, quint32 id) const
{
    CanBusFrame f;
    f.id = id;
    f.payload = data;
    if (canTxModel->canType()) {
        f.flags |= CanBusFrame::FlexibleData;
        if (canTxModel->dataSectionAcc())
            f.flags |= CanBusFrame::BitRateSwitch;
    }
    if (canTxModel->canIdType() == 1)
        f.flags |= CanBusFrame::Extended;
    if (canTxModel->canFrameType() == 1)
        f.flags |= CanBusFrame::Remote;
    return f;
}

bool MainWindow::refuseWhileUpgrading()
{
    if (!cdc->upgrade()->isRunning())
        return false;
    // The bootloader takes every frame on the motor's ID as image data.
    DialogService::warning(this, tr("无法发送"), tr("固件升级进行中，升级结束前不能发送其他帧"));
    return true;
}

bool MainWindow::refuseCanOnConsole()
{
    if (!cdc->portIsConsole())
        return false;
    DialogService::warning(this, tr("无法发送"),
                           tr("当前串口连接的是电机控制台（UART 模式），CAN 帧会被电机当作控制台命令执行，未发送。"
                              "请切换到 CAN 模式，或打开 CAN 适配器。"));
    return true;
}

void MainWindow::stopCanTabSend()
{
    if (canPeriodicTimer)
        canPeriodicTimer->stop();
    cdc->roads()->ended(SendingRoads::CanTabPeriodic);
}

void MainWindow::on_btn_CANSend_clicked()
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (refuseCanOnConsole() || refuseWhileUpgrading())
        return;
    quint32 id = 0;
    qint32 times = 0;
    if (!canSendSettings(&id, &times))
        return;
    if (cdc->usbConnected()) {
        // The adapter repeats the frame itself, with the count, interval and counting.
        if (canTxModel->idAcc() && canIdStep > can_tx_type::MaxIdStep) {
            DialogService::warning(this, tr("警告"),
                                   tr("USB适配器的发送记录只能携带 0 到 %1 的ID步距，当前步距为 %2，帧未发送。"
                                      "请在“ID递增”的配置中改小步距。")
                                       .arg(can_tx_type::MaxIdStep)
                                       .arg(canIdStep));
            return;
        }
        const bool fd = canTxModel->canType();
        const CanDataConversion c = fd ? convertPage(ui->fdcanDataLenEdit, ui->fdcanDataEdit, true)
                                       : convertPage(ui->canDataLenEdit, ui->canDataEdit, false);
        if (c.error != CanDataConversion::NoError) {
            warnConversion(this, c);
            return;
        }
        CanTxOptions o;
        o.times = times;
        o.intervalMs = canTxModel->sendInterval();
        o.idIncrement = canTxModel->idAcc();
        o.dataIncrement = canTxModel->dataAcc();
        o.idStep = canIdStep;
        o.stopId = canStopId;
        const CanBusFrame f = canTabFrame(c.data, id);
        if (!canIdFitsFrame(f.id, f.has(CanBusFrame::Extended)))
            DialogService::warning(this, tr("无法发送"),
                                   tr("CAN ID 0x%1 超出%2的范围，帧未发送")
                                       .arg(f.id, 0, 16)
                                       .arg(f.has(CanBusFrame::Extended) ? tr("扩展帧（29 位）") : tr("标准帧（11 位）")));
        else if (!cdc->sendCanTabFrame(f, o))
            DialogService::warning(this, tr("无法发送"), tr("帧未能发送"));
        return;
    }
    // Adapters that send each frame once: one frame per tick of the window's own timer,
    // from the FD page where the link carries FD frames (a Qt CAN interface), else the
    // classic page. A count of -1 runs until the stop button.
    canSendCounter.start(times);
    canTabTimes = times;
    canTabSent = 0;
    if ((canTxModel->canType() ? ui->fdcanDataLenEdit : ui->canDataLenEdit)->text().isEmpty()) {
        DialogService::warning(this, tr("警告"), tr("dlc输入不合法"));
        return;
    }
    canPeriodicTimer->setInterval(int(canTxModel->sendInterval()));
    canPeriodicTimer->start();
    cdc->roads()->started(SendingRoads::CanTabPeriodic, [this] { stopCanTabSend(); });
}

void MainWindow::onCANPeriodicSendTimerTimeout()
{
    const bool fd = canTxModel->canType();
    const CanDataConversion c = fd ? convertPage(ui->fdcanDataLenEdit, ui->fdcanDataEdit, true)
                                   : convertPage(ui->canDataLenEdit, ui->canDataEdit, false);
    if (c.error != CanDataConversion::NoError) {
        stopCanTabSend();
        warnConversion(this, c);
        return;
    }
    QByteArray data = c.data;
    const qint32 counter = canSendCounter.counter();
    if (canTxModel->dataAcc())
        applyDataCounter(data, int(data.size()), counter);
    quint32 id = 0;
    QString why;
    if (!parseCanIdText(canTxModel->canId(), &id, &why)) {
        stopCanTabSend();
        DialogService::warning(this, tr("警告"), why);
        return;
    }
    if (canTxModel->idAcc())
        id = countedCanId(id, canIdStep, quint32(counter), canStopId);
    const CanBusFrame f = canTabFrame(data, id);
    const bool extended = f.has(CanBusFrame::Extended);
    if (!canIdFitsFrame(id, extended)) {
        // The counted ID left the frame type's range: the rest of the run is not sent.
        stopCanTabSend();
        const QString range = extended ? tr("扩展帧（29 位）") : tr("标准帧（11 位）");
        const QString text =
            canTabTimes > 0 ? tr("ID递增到 0x%1，超出%2的范围：已发送 %3 帧，其余 %4 帧未发送")
                                  .arg(id, 0, 16)
                                  .arg(range)
                                  .arg(canTabSent)
                                  .arg(qMax(canTabTimes - canTabSent, 1))
                            : tr("ID递增到 0x%1，超出%2的范围：已发送 %3 帧，发送已停止").arg(id, 0, 16).arg(range).arg(canTabSent);
        Logger::warning(text, "onCANPeriodicSendTimerTimeout");
        DialogService::warning(this, tr("发送已停止"), text);
        return;
    }
    if (!cdc->sendCanTabFrame(f, CanTxOptions())) {
        stopCanTabSend();
        const QString text = f.has(CanBusFrame::FlexibleData) ? tr("当前适配器只能发送经典 CAN 帧，CAN FD 帧未发送")
                                                               : tr("帧未能发送，发送已停止");
        DialogService::warning(this, tr("发送已停止"), text);
        return;
    }
    ++canTabSent;
    if (canSendCounter.advance())
        stopCanTabSend();
}

void MainWindow::on_idAcc_clicked(bool checked)
{
    if (!checked)
        return;
    // The USB adapter's record carries a step of one byte.
    auto *dialog = new IdIncrementDialog(canIdStep, canStopId, this,
                                         cdc->usbConnected() ? can_tx_type::MaxIdStep : quint16(0xFFFF));
    connect(dialog, &IdIncrementDialog::configured, this, [this](quint16 step, quint32 stopId) {
        canIdStep = step;
        canStopId = stopId;
    });
    dialog->show();
}
