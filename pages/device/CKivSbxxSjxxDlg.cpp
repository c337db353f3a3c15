#include "CKivSbxxSjxxDlg.h"

#include "DevicePageMessages.h"
#include "ElidedLabel.h"

#include "device/bridge/PhoneInfo.h"
#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QLabel>

const KivMessageEntry<CKivSbxxSjxxDlg> CKivSbxxSjxxDlg::kMessageMap[] = {
    {kMsgPhoneInfo, &CKivSbxxSjxxDlg::onPhoneInfo},
};

namespace {

struct FieldPlace {
    int x, y, width, height;
};
// The left column ends before the line between the columns (x 236), where the right
// column's labels begin; the right column ends inside the panel's border.
constexpr FieldPlace kPlaces[6] = {{90, 49, 142, 30},  {90, 81, 142, 20},  {90, 113, 142, 20},
                                   {335, 49, 190, 30}, {345, 82, 180, 20}, {335, 113, 190, 20}};

} // namespace

CKivSbxxSjxxDlg::CKivSbxxSjxxDlg(QWidget* parent) : KivDialog(parent, Frame::Child) {
    setObjectName(QStringLiteral("CKivSbxxSjxxDlg"));
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* label = new ElidedLabel(QString::fromUtf8(kPlaceholder), this);
        label->setObjectName(QStringLiteral("field%1").arg(1029 + static_cast<int>(i)));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(106, 106, 106));
        label->setPalette(palette);
        label->setTextFormat(Qt::PlainText); // the phone's own words, never markup
        m_fields[i] = label;
    }
}

void CKivSbxxSjxxDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::PhoneInfoPanel, handle());
    static const std::shared_ptr<KivFrameSkin> skin = MakeFrameSkin(102, 0);
    AttachFrameSkin(this, skin);
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->setGeometry(kPlaces[i].x, kPlaces[i].y, kPlaces[i].width, kPlaces[i].height);
    }
}

bool CKivSbxxSjxxDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                         KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

// Facts that could not be read show "未知" until the worker reads them; a fact read empty (a
// phone without a radio has no baseband) stays blank.
KivResult CKivSbxxSjxxDlg::onPhoneInfo(KivWParam wParam, KivLParam lParam) {
    const auto* post = KivPayloadValue<WorkerPost<PhoneInfo>>(lParam);
    if (post && post->stop.stop_requested()) {
        return 0; // a worker of a connection that ended
    }
    if (wParam != 0 && post) {
        showFacts(post->value);
    } else {
        for (QLabel* field : m_fields) {
            field->setText(QString::fromUtf8(kPlaceholder));
        }
    }
    for (QLabel* field : m_fields) {
        field->show();
    }
    return 0;
}

void CKivSbxxSjxxDlg::showFacts(const PhoneInfo& info) {
    const std::string* texts[] = {&info.model, &info.manufacturer, &info.release, &info.baseband,
                                  &info.bootloader};
    for (std::size_t i = 0; i < 5; ++i) {
        const bool read = info.isRead(static_cast<PhoneFact>(i));
        m_fields[i]->setText(read ? QString::fromStdString(*texts[i])
                                  : QString::fromUtf8(kUnknownMarker));
    }
    // Exactly "true" (the probe's own word) counts; anything else is "no".
    m_fields[5]->setText(!info.isRead(PhoneFact::Root) ? QString::fromUtf8(kUnknownMarker)
                         : info.root == "true"         ? QStringLiteral("是")
                                                       : QStringLiteral("否"));
}
