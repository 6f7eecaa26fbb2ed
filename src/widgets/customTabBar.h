#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QSignalMapper;

// A row of plain label tabs; a press on a label selects it and emits tabClicked().
class CustomTabBar : public QWidget
{
    Q_OBJECT

public:
    explicit CustomTabBar(QWidget *parent = nullptr);

    void addTab(const QString &text);
    void setCurrentTab(int index);
    int currentIndex() const { return current; }
    int count() const { return tabs.size(); }
    QString tabText(int index) const;
    void setTabText(int index, const QString &text);

signals:
    void tabClicked(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHBoxLayout *tabLayout = nullptr;
    QList<QLabel *> tabs;
    QSignalMapper *signalMapper = nullptr;
    int current = -1;
};
