#pragma once

#include <QDialog>

class QLabel;

// Explains how the service's server names read: which letter is which country, which
// number which kind of IP address. Modal, changes nothing.
class CVpnHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CVpnHelpDlg(QWidget* parent = nullptr);

    // The legend as shown, six lines.
    static QString legendText();
    QLabel* legendLabel() const { return m_legend; }

private:
    QLabel* m_legend = nullptr;
};
