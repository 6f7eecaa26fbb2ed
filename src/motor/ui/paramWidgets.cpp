#include "motor/ui/paramWidgets.h"

#include "log/log.h"
#include "widgets/utils.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

void setLineEditsReadOnly(const QStringList &lineEditNames, const QList<bool> &readOnlyList, QWidget *parent)
{
    if (lineEditNames.size() != readOnlyList.size()) {
        Logger::warning("Error: lineEditNames and readOnlyList size mismatch", "setLineEditsReadOnly");
        return;
    }
    if (!parent)
        return;
    for (int i = 0; i < lineEditNames.size(); ++i) {
        auto *edit = parent->findChild<QLineEdit *>(lineEditNames[i]);
        if (!edit) {
            Logger::warning("QLineEdit not found: " + lineEditNames[i], "setLineEditsReadOnly");
            continue;
        }
        edit->setReadOnly(readOnlyList[i]);
        edit->setStyleSheet(readOnlyList[i] ? QString::fromLatin1(kReadOnlyEditStyle) : QString());
    }
}

bool checkEditFields(QWidget *container, const QStringList &excluded)
{
    if (!container)
        return false;
    const auto edits = container->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QLineEdit *edit : edits) {
        const QString name = edit->objectName();
        if (name.endsWith(QLatin1String("Edit")) && !excluded.contains(name) && edit->text().isEmpty())
            return true;
    }
    return false;
}

QHash<QString, QString> readWidgetTexts(QWidget *root, const QStringList &names)
{
    QHash<QString, QString> out;
    if (!root)
        return out;
    for (const QString &name : names) {
        if (auto *e = root->findChild<QLineEdit *>(name))
            out.insert(name, e->text());
        else if (auto *l = root->findChild<QLabel *>(name))
            out.insert(name, l->text());
        else if (auto *c = root->findChild<QComboBox *>(name))
            out.insert(name, QString::number(c->currentIndex()));
    }
    return out;
}

void writeWidgetTexts(QWidget *root, const QHash<QString, QString> &texts)
{
    if (!root)
        return;
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it) {
        if (auto *e = root->findChild<QLineEdit *>(it.key())) {
            e->setText(it.value());
        } else if (auto *l = root->findChild<QLabel *>(it.key())) {
            l->setText(it.value());
        } else if (auto *c = root->findChild<QComboBox *>(it.key())) {
            // A code the list does not hold (a device may report anything) selects nothing.
            bool ok = false;
            const int index = it.value().toInt(&ok);
            c->setCurrentIndex(ok && index >= 0 && index < c->count() ? index : -1);
        }
    }
}

void clearWidgets(QWidget *root, const QStringList &names)
{
    if (!root)
        return;
    for (const QString &name : names) {
        if (auto *e = root->findChild<QLineEdit *>(name))
            e->clear();
        else if (auto *l = root->findChild<QLabel *>(name))
            l->clear();
        else if (auto *c = root->findChild<QComboBox *>(name))
            c->setCurrentIndex(-1);
    }
}

namespace {
const char *kRangeTextProperty = "rangeText";
}

void setRangeLabel(QLabel *label, const QString &text)
{
    if (!label)
        return;
    label->setProperty(kRangeTextProperty, text);
    setLabelSplitColor(label, text);
}

QString rangeLabelText(const QLabel *label)
{
    if (!label)
        return QString();
    const QVariant v = label->property(kRangeTextProperty);
    return v.isValid() ? v.toString() : label->text();
}
