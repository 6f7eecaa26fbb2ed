#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

// The verdict of the quality analysis: the amplitudes at 24 Hz and 28 Hz against the
// limit, each "正常" up to and including the limit, "异常" above it.
class SpectrumTableDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SpectrumTableDialog(QWidget *parent = nullptr);

    void updateData(float amp24, float amp28, float limit);
    QTableWidget *table() const { return m_table; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    void fillRows();

    QTableWidget *m_table = nullptr;
    QPushButton *m_close = nullptr;
    float m_amp24 = 0, m_amp28 = 0, m_limit = 0;
    bool m_hasData = false;
};
