// ShowPhone: the attached phone as a picture. A fresh screenshot is drawn, smoothly scaled,
// into the screen area of the phone's shell picture and written as <program folder>/image/
// cut.bmp; the shell and the display name come from ScreenInfoDb, or for a model it does not
// know from the web service (and are stored then); a model the service does not know either
// gets a built-in shell and its getprop name. Runs on the device page's phone worker.
// The shells are the built-in pictures ":/JPG/<id>" and ":/PNG/206": whoever calls this has
// registered them (resources::RegisterPictureResources).
#pragma once

#include "ShellInfo.h"

#include <functional>
#include <optional>
#include <string>

/// What the web service says about a phone model: its display name and the first number of
/// its ImageInfo.
struct MachineDisplayInfo {
    std::string showName;
    int type = 0;
};

/// Asks the web service about (vid, pid, model, device); true with `info` filled on success.
using MachineInfoLookup =
    std::function<bool(const std::string& vid, const std::string& pid, const std::string& model,
                       const std::string& device, MachineDisplayInfo& info)>;

struct PhonePicture {
    std::string path; ///< the composed picture (image/cut.bmp or its alternative name)
    std::string name; ///< the phone's display name
};

/// What ShowPhone learns about one connection and keeps for its life, so that a picture a
/// second costs a screenshot and nothing more: the shell with its display name and turn (from
/// the database, the web service or the built-in table and getprop), and the web service's
/// answer, asked once. Whoever shows the phone keeps one per connection and starts afresh
/// when the phone connects again or another phone is followed. A fact the phone did not give
/// (getprop out of time or not a listing) is not kept: the next call asks again. One thread.
struct ShowPhoneMemo {
    std::optional<ShellInfo> shell;             ///< complete: every call after the first uses it
    std::optional<bool> defaultShellUpsideDown; ///< the default shell's turn, from getprop
    bool webAsked = false;
    std::optional<MachineDisplayInfo> webAnswer;
};

/// Captures the screen of the phone `vid`/`pid` (the adb serial kept by GetSerial) and
/// composes it into its shell. Empty `vid` or `pid`: the default shell and the name
/// "安卓设备". A model known neither to the database nor to `lookup` (also when `lookup` has
/// no answer) is shown on the built-in shell chosen by the screenshot's size, named with the
/// maker and model from getprop, and nothing is stored for it. False when no screenshot could
/// be taken or the picture cannot be written.
[[nodiscard]] bool ShowPhone(const std::string& vid, const std::string& pid,
                             const MachineInfoLookup& lookup, PhonePicture& picture);

/// The same for one connection: what `memo` holds is used instead of asking again, and what
/// this call learns is kept in it.
[[nodiscard]] bool ShowPhone(const std::string& vid, const std::string& pid,
                             const MachineInfoLookup& lookup, ShowPhoneMemo& memo,
                             PhonePicture& picture);

/// Composition alone: `screenshot` (a picture file) stretched smoothly into the screen
/// rectangle of `shell` (a landscape screenshot in a portrait rectangle keeps its proportions,
/// centred between black bars) over its shell picture (built-in ShellID as "JPG", else "PNG" 206)
/// on white, written as a BMP file into `imageFolder` (ending in '/'): cut.bmp, or cutone<n>.bmp
/// when cut.bmp cannot be replaced. True with the written file in `outPath`.
[[nodiscard]] bool ComposePhonePicture(const ShellInfo& shell, const std::string& screenshot,
                                       const std::string& imageFolder, std::string& outPath);

/// The image folder: <program folder>/image/ (created when missing). False when it cannot be
/// created.
[[nodiscard]] bool PhoneImageFolder(std::string& folder);
