// udev-rule: the Linux udev rule that lets a user open the product's
// receivers without root, made from the vendor and product ids in cfg.ini.
// packaging/linux/70-tarvel.rules is this command's output for the default
// product; `cmake --install` installs the one made from the product it
// installs.

#include "Commands.h"
#include "DeviceLink.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Settings.h"

#include <cstdio>

namespace {

// One line per product id: the receiver's hidraw nodes (whatever its USB
// interfaces) go to the user at the seat and to the group plugdev (for
// sessions without a seat, such as ssh). 70: before the seat rules that act
// on the uaccess tag.
std::string UdevRules(uint16_t vid, uint16_t pid, const uint16_t pid2[2]) {
    std::string rules =
        "# Tarvel: the user at the seat, and members of the group plugdev, may open the\n"
        "# receiver's hidraw nodes, so tarvelctl runs without root.\n"
        "# Made by `tarvelctl udev-rule` from VID, PID and PID2 in the product's cfg.ini.\n";
    const uint16_t ids[] = {pid, pid2[0], pid2[1]};
    for (uint16_t id : ids) {
        if (id == 0)
            continue;
        char line[200];
        std::snprintf(line, sizeof line,
                      "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%04x\", "
                      "ATTRS{idProduct}==\"%04x\", MODE=\"0660\", GROUP=\"plugdev\", "
                      "TAG+=\"uaccess\"\n",
                      unsigned(vid), unsigned(id));
        rules += line;
    }
    return rules;
}

int CmdUdevRule(const Options& opts, const Args& args) {
    if (args.size() > 1)
        throw CommandError("usage: udev-rule [FILE]");
    LoadProduct(opts);
    const settings::OptSettings& opt = settings::g_opt;
    const std::string rules = UdevRules(opt.VID, opt.PID, opt.PID2);
    JsonWriter json;
    json.BeginObject();
    if (args.empty()) {
        json.Key("rules").String(rules);
    } else {
        if (!platform::WriteWholeFile(text::FromUtf8(args[0]), rules))
            throw CommandError("cannot write " + args[0]);
        json.Key("file").String(args[0]);
    }
    json.EndObject();
    Print(json);
    return 0;
}

const CommandRegistration kUdevRule("udev-rule", CmdUdevRule, "udev-rule [FILE]");

} // namespace
