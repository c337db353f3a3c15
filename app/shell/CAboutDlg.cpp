#include "CAboutDlg.h"

#include "platform/config/AppPaths.h"
#include "platform/config/Config.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QLabel>
#include <QPushButton>

namespace {

QString ReadKey(std::string_view key) {
    return QString::fromStdString(config::ReadOrCreateEmpty(config::kApplication, key));
}

QLabel* MakeStatic(QWidget* parent, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    // Config.ini's texts are shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QStringLiteral("color: rgb(62, 62, 62); background: transparent;"));
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : KivDialog(parent, Frame::Dialog), m_companyText(ReadKey(config::kCompany)),
      m_websiteText(ReadKey(config::kWebsite)), m_versionText(ReadKey(config::kVersion)),
      m_ok(new QPushButton(QStringLiteral("确定"), this)),
      m_logo(MakeStatic(this, QStringLiteral("图标"))),
      m_name(MakeStatic(this, QStringLiteral("应用名"))),
      m_version(MakeStatic(this, QStringLiteral("版本"))),
      m_website(MakeStatic(this, QStringLiteral("官网"))),
      m_company(MakeStatic(this, QStringLiteral("公司"))) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("关于我们"));
    setModal(true);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::onInitDialog() {
    static const std::shared_ptr<KivFrameSkin> frame = MakeFrameSkin(0, 40);
    static const std::shared_ptr<KivButtonSkin> okSkin = MakeButtonSkin(50, 51, 52, 0);
    setFixedSize(kWidth, kHeight);
    AttachFrameSkin(this, frame);
    placeInClient(m_ok, 326, 194, 74, 27);
    AttachButtonSkin(m_ok, okSkin);

    std::string logoPath;
    (void)BuildAppPath("logo.png", ".", true, logoPath);
    auto logo = std::make_shared<KivImage>();
    LoadSkinFile(*logo, QString::fromStdString(logoPath)); // missing: the logo stays empty
    placeInClient(m_logo, 20, 20, 72, 72);
    AttachPictureSkin(m_logo, logo);

    placeInClient(m_name, 110, 30, 300, 50);
    m_name->setFont(KivFont("微软雅黑", 32, 500));
    m_name->setText(ApplicationName());
    placeInClient(m_version, 110, 80, 300, 20);
    m_version->setText(QStringLiteral("版本: ") + m_versionText);
    placeInClient(m_website, 110, 110, 300, 20);
    m_website->setText(QStringLiteral("官网: ") + m_websiteText);
    placeInClient(m_company, 110, 140, 300, 20);
    m_company->setText(m_companyText);
}

void ShowAboutBox(QWidget* parent) {
    CAboutDlg about(parent);
    about.exec();
}
