#pragma once

#include <QDialog>

class CFontStatic;
class QLabel;
class QPushButton;

// Explains how the service's server names read: which letter is which country, which
// number which kind of IP address. Modal, changes nothing; OK closes it.
class CVpnHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CVpnHelpDlg(QWidget* parent = nullptr);

    // While connected: what the link is, in lines of their own under the legend (the
    // dialog grows to hold them). Nothing is added for no lines.
    void setLinkDetails(const QStringList& lines);

    // The legend as shown, six lines.
    static QString legendText();
    // The legend's static (control 1020).
    CFontStatic* legendLabel() const { return m_legend; }
    QPushButton* okButton() const { return m_ok; }
    QLabel* linkDetailsLabel() const { return m_linkDetails; }

private:
    void OnInitDialog();

    CFontStatic* m_legend = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_linkDetails = nullptr;
};
