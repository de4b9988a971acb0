#include "ui/CVpnHelpDlg.h"

#include "ui/CFontStatic.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The dialog is laid out in dialog units of its template; one unit is 7/4 px both ways.
QRect dialogUnits(int x, int y, int width, int height)
{
    auto px = [](int units) { return (units * 7 + 2) / 4; };
    return QRect(px(x), px(y), px(width), px(height));
}

} // namespace

CVpnHelpDlg::CVpnHelpDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Norvanta VPN 서버정보"));
    setFixedSize(dialogUnits(0, 0, 200, 94).size());

    m_legend = new CFontStatic(QStringLiteral("Static"), this);
    m_legend->setObjectName(QStringLiteral("1020"));
    m_legend->setGeometry(dialogUnits(7, 7, 186, 62));

    m_ok = new QPushButton(QString::fromUtf8("확인"), this);
    m_ok->setGeometry(dialogUnits(143, 73, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    OnInitDialog();
}

void CVpnHelpDlg::setLinkDetails(const QStringList& lines)
{
    if (lines.isEmpty() || m_linkDetails != nullptr) {
        return;
    }
    constexpr int kLineUnits = 9;
    const int height = kLineUnits * static_cast<int>(lines.size());
    m_linkDetails = new QLabel(lines.join(QLatin1Char('\n')), this);
    m_linkDetails->setObjectName(QStringLiteral("linkDetails"));
    m_linkDetails->setGeometry(dialogUnits(7, 73, 186, height));
    m_linkDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ok->setGeometry(dialogUnits(143, 77 + height, 50, 14));
    setFixedSize(dialogUnits(0, 0, 200, 98 + height).size());
}

void CVpnHelpDlg::OnInitDialog()
{
    m_legend->SetTextStyle(QString::fromUtf8("굴림"), 12, QColor(0, 0, 0), CFontStatic::kBold | 0x40);
    m_legend->setBackgroundColor(QColor(255, 255, 0));
    m_legend->setOwnBackground(true);
    m_legend->setAlignedColumns(true);
    m_legend->SetText(legendText());
    m_ok->setFocus();
}

QString CVpnHelpDlg::legendText()
{
    return QString::fromUtf8("K                           한국서버\n"
                             "C                           중국서버\n"
                             "---------------------------------------\n"
                             "[K/C] 1-?                유동/고정IP 모두\n"
                             "[K/C] 2-?                유동IP 전용\n"
                             "[K/C] 3-?                고정IP 전용");
}
