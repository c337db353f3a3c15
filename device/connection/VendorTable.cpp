// The vendor table and the vendor filter.
#include "VendorTable.h"

#include "DeviceList.h"

#include <algorithm>

using namespace std::string_view_literals;

const std::array<VendorRow, 42> VendorTable = {{
    {"18D1"sv, "GOOGLE"sv},       {"0BB4"sv, "HTC"sv},
    {"04E8"sv, "SAMSUNG"sv},      {"22B8"sv, "MOTO"sv},
    {"1004"sv, "LGE"sv},          {"12D1"sv, "HUAWEI"sv},
    {"0502"sv, "ACER"sv},         {"0FCE"sv, "SONY_ERICSSON"sv},
    {"0489"sv, "FOXCONN"sv},      {"413C"sv, "DELL"sv},
    {"0955"sv, "NVIDIA"sv},       {"091E"sv, "GARMIN_ASU"sv},
    {"04DD"sv, "SHARP"sv},        {"19D2"sv, "ZTE"sv},
    {"0482"sv, "KYOCERA"sv},      {"10A9"sv, "PANTECH"sv},
    {"05C6"sv, "QUALCOMM"sv},     {"2257"sv, "OTGV"sv},
    {"0409"sv, "NEC"sv},          {"04DA"sv, "PMC"sv},
    {"0930"sv, "TOSHIBA"sv},      {"1F53"sv, "SK_TELESY"sv},
    {"2116"sv, "KT_TECH"sv},      {"0B05"sv, "ASUS"sv},
    {"0471"sv, "PHILIPS"sv},      {"0F1C"sv, "FUNAI"sv},
    {"0414"sv, "GIGABYTE"sv},     {"2420"sv, "IRIVER"sv},
    {"1219"sv, "COMPAL"sv},       {"1BBB"sv, "T_AND_A"sv},
    {"2006"sv, "LENOVOMOBILE"sv}, {"17EF"sv, "LENOVO"sv},
    {"E040"sv, "VIZIO"sv},        {"24E3"sv, "K_TOUCH"sv},
    {"1D4D"sv, "PEGATRON"sv},     {"0E79"sv, "ARCHOS"sv},
    {"1662"sv, "POSITIVO"sv},     {"1EBF"sv, "COOLPAD"sv},
    {"109B"sv, "HISENSE"sv},      {"0451"sv, "HUAWEI2"sv},
    {"1D91"sv, "U9"sv},           {"267A"sv, "LA-I"sv},
}};

namespace {

// HTC, Motorola, Samsung, Sony Ericsson, Huawei and ZTE.
constexpr std::array<std::string_view, 6> kAlwaysAccepted = {"0BB4"sv, "22B8"sv, "04E8"sv,
                                                             "0FCE"sv, "12D1"sv, "19D2"sv};

} // namespace

std::optional<std::string_view> VendorName(std::string_view vid) {
    auto row = std::find_if(VendorTable.begin(), VendorTable.end(),
                            [vid](const VendorRow& r) { return r.vid == vid; });
    if (row == VendorTable.end()) {
        return std::nullopt;
    }
    return row->name;
}

bool IsAlwaysAcceptedVendor(std::string_view vid) {
    return std::find(kAlwaysAccepted.begin(), kAlwaysAccepted.end(), vid) != kAlwaysAccepted.end();
}

std::string VendorFilter(std::string_view list) {
    std::string kept;
    kept.reserve(list.size());
    for (std::string_view record : DeviceRecords(list)) {
        if (VendorName(RecordVid(record))) {
            kept.append(record);
        }
    }
    return kept;
}
