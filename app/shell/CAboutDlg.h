// CAboutDlg: the about box (416 x 264) with the logo, the application name, version, website
// and company.
#pragma once

#include "ui/toolkit/KivDialog.h"

class QLabel;
class QPushButton;

class CAboutDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 416;
    static constexpr int kHeight = 264;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* nameLabel() const { return m_name; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* websiteLabel() const { return m_website; }
    QLabel* companyLabel() const { return m_company; }
    QPushButton* okButton() const { return m_ok; }

protected:
    void onInitDialog() override;

private:
    QString m_companyText;
    QString m_websiteText;
    QString m_versionText;
    QPushButton* m_ok;
    QLabel* m_logo;
    QLabel* m_name;
    QLabel* m_version;
    QLabel* m_website;
    QLabel* m_company;
};

/// Runs the about box modally over `parent`.
void ShowAboutBox(QWidget* parent);
