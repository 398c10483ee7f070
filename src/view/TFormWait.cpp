#include "view/TFormWait.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brak {

TFormWait::TFormWait(const QString& title, const QString& detail, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TFormWait"));
    setWindowTitle(title);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("laWaitTitle"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* name = new QLabel(this);
    name->setObjectName(QStringLiteral("laWaitDetail"));
    // A long path keeps its end, where the file's own name is.
    name->setText(QFontMetrics(name->font()).elidedText(detail, Qt::ElideMiddle, 420));
    name->setToolTip(detail);
    layout->addWidget(name);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0); // no end known: a busy bar
    bar->setTextVisible(false);
    layout->addWidget(bar);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("buWaitCancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(460);
}

} // namespace brak
