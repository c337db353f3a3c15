// CKivSbxxSjxxDlg: the phone info panel of the connected screen: six properties of the phone
// over a background that carries their labels.
#pragma once

#include "ElidedLabel.h"

#include "ui/toolkit/KivDialog.h"

#include <array>

struct PhoneInfo;

class CKivSbxxSjxxDlg : public KivDialog {
    Q_OBJECT
public:
    /// Placeholder of every field until a record arrives.
    static constexpr const char* kPlaceholder = "******";

    explicit CKivSbxxSjxxDlg(QWidget* parent = nullptr);

    /// The fields 1029 to 1034 in order: model, maker, Android release, baseband, bootloader,
    /// root. Each keeps to its column: a long value is shortened with "…".
    ElidedLabel* field(int index) const { return m_fields[static_cast<std::size_t>(index)]; }

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;

private:
    KivResult onPhoneInfo(KivWParam wParam, KivLParam lParam);
    void showFacts(const PhoneInfo& info);

    std::array<ElidedLabel*, 6> m_fields{};

    static const KivMessageEntry<CKivSbxxSjxxDlg> kMessageMap[];
};
