// Writes the udev rules that give the logged-in user access to the phones of the vendor table:
// one line per vendor id. The package build runs it, so the rules follow the table.
#include "device/connection/VendorTable.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

int main() {
    std::set<std::string> vendors;
    for (const VendorRow& row : VendorTable) {
        std::string vid(row.vid);
        for (char& c : vid) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        vendors.insert(vid);
    }
    std::printf(
        "# Penlow: phones of these USB vendors are the logged-in user's to reach with adb.\n"
        "# Written from the program's vendor table when the package is built.\n");
    for (const std::string& vid : vendors) {
        std::printf("SUBSYSTEM==\"usb\", ATTR{idVendor}==\"%s\", MODE=\"0660\", TAG+=\"uaccess\"\n",
                    vid.c_str());
    }
    return 0;
}
