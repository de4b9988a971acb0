#include "ui/CVpnHelpDlg.h"

#include <QLabel>
#include <QPushButton>

namespace {

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

    m_legend = new QLabel(legendText(), this);
    m_legend->setGeometry(dialogUnits(7, 7, 186, 62));
    m_legend->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_legend->setAutoFillBackground(true);
    QPalette palette = m_legend->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 0));
    palette.setColor(QPalette::WindowText, Qt::black);
    m_legend->setPalette(palette);
    QFont font = m_legend->font();
    font.setBold(true);
    m_legend->setFont(font);

    auto* ok = new QPushButton(QString::fromUtf8("확인"), this);
    ok->setGeometry(dialogUnits(143, 73, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
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
