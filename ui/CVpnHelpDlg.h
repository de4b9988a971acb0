#pragma once

#include <QDialog>

class CFontStatic;
class QPushButton;

// Explains how the service's server names read: which letter is which country, which
// number which kind of IP address. Modal, changes nothing; OK closes it.
class CVpnHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CVpnHelpDlg(QWidget* parent = nullptr);

    // The legend as shown, six lines.
    static QString legendText();
    // The legend's static (control 1020).
    CFontStatic* legendLabel() const { return m_legend; }
    QPushButton* okButton() const { return m_ok; }

private:
    void OnInitDialog();

    CFontStatic* m_legend = nullptr;
    QPushButton* m_ok = nullptr;
};
