// Build tool: turns the text list of known phone ids into data/arginfo.dat.
//
//     make_known_phone_db LIST OUTPUT
//
// Each non-empty line of LIST not starting with '#' holds "VID PID" (4 hex digits each) and
// an optional comment. OUTPUT is written anew.
#include "KnownPhoneDb.h"
#include "UsbEnumeration.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

bool addLine(KnownPhoneDb& db, const std::string& line, int number) {
    std::istringstream words(line);
    std::string vidText, pidText;
    if (!(words >> vidText) || vidText[0] == '#') {
        return true;
    }
    words >> pidText;
    const std::string vid = UsbIdFromAttribute(vidText);
    const std::string pid = UsbIdFromAttribute(pidText);
    if (vid == "0000" || pid == "0000") {
        std::fprintf(stderr, "line %d: expected VID PID\n", number);
        return false;
    }
    if (!db.insert(pid, vid)) {
        std::fprintf(stderr, "line %d: %s %s could not be added (twice?)\n", number, vid.c_str(),
                     pid.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_known_phone_db LIST OUTPUT\n");
        return 2;
    }
    std::ifstream list(argv[1]);
    if (!list) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string output = argv[2];
    std::remove(output.c_str());
    KnownPhoneDb db;
    if (!db.create(output)) {
        std::fprintf(stderr, "cannot create %s\n", output.c_str());
        return 1;
    }
    std::string line;
    int number = 0;
    bool ok = true;
    while (std::getline(list, line)) {
        ok = addLine(db, line, ++number) && ok;
    }
    db.close();
    if (!ok) {
        std::remove(output.c_str());
    }
    return ok ? 0 : 1;
}
