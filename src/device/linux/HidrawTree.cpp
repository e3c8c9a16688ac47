#include "device/linux/HidrawTree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace device {

namespace {

// How far above the HID device the USB device may be: the USB interface
// first, then the device (a hub's port adds nothing between them).
constexpr int kLevelsToUsbDevice = 3;
// sysfs attribute files are small; a descriptor holds at most 4096 bytes.
constexpr std::streamsize kMaxAttribute = 64 * 1024;

bool ReadFile(const fs::path& file, std::string* content) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    content->assign(std::istreambuf_iterator<char>(in), {});
    if (content->size() > size_t(kMaxAttribute))
        content->resize(size_t(kMaxAttribute));
    return !in.bad();
}

// The value of `key` in a uevent file ("KEY=value" lines).
std::string UeventValue(const std::string& uevent, const std::string& key) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

// A hexadecimal attribute ("0110\n"); false when the file holds none.
bool ReadHex(const fs::path& file, unsigned long* value) {
    std::string text;
    if (!ReadFile(file, &text))
        return false;
    char* end = nullptr;
    *value = std::strtoul(text.c_str(), &end, 16);
    return end != text.c_str();
}

// "0003:000025A7:0000FA92": bus, vendor and product.
bool ParseHidId(const std::string& id, HidrawNode* node) {
    unsigned long parts[3] = {};
    const char* p = id.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        parts[i] = std::strtoul(p, &end, 16);
        if (end == p || (i < 2 && *end != ':'))
            return false;
        p = end + 1;
    }
    node->bus = uint16_t(parts[0]);
    node->vendor = uint16_t(parts[1]);
    node->product = uint16_t(parts[2]);
    return true;
}

unsigned long NodeNumber(const std::string& name) {
    return std::strtoul(name.c_str() + std::min<size_t>(name.size(), 6), nullptr, 10);
}

// Fills in the HID device's ids, descriptor and what lies above it.
void Describe(const fs::path& classEntry, const HidrawRoots& roots, HidrawNode* node) {
    std::error_code ec;
    const fs::path real = fs::canonical(classEntry, ec);
    if (ec) {
        node->problem = "its sysfs entry cannot be followed: " + ec.message();
        return;
    }
    std::string uevent;
    ReadFile(classEntry / "uevent", &uevent);
    const std::string devName = UeventValue(uevent, "DEVNAME");
    node->node = roots.dev / (devName.empty() ? node->name : devName);

    // .../0003:25A7:FA92.0005/hidraw/hidraw3
    node->hid = real.parent_path().parent_path();
    std::string hidUevent;
    if (!ReadFile(node->hid / "uevent", &hidUevent) ||
        !ParseHidId(UeventValue(hidUevent, "HID_ID"), node)) {
        node->problem = "its HID device tells no ids (" + (node->hid / "uevent").string() + ")";
        return;
    }
    std::string descriptor;
    if (!ReadFile(node->hid / "report_descriptor", &descriptor) || descriptor.empty()) {
        node->problem = "its report descriptor cannot be read";
        return;
    }
    node->descriptor.assign(descriptor.begin(), descriptor.end());

    node->device = node->hid.parent_path();
    fs::path dir = node->hid.parent_path();
    for (int level = 0; level < kLevelsToUsbDevice && !dir.empty(); ++level) {
        unsigned long value = 0;
        if (node->interfaceNumber < 0 && ReadHex(dir / "bInterfaceNumber", &value))
            node->interfaceNumber = int(value & 0xFF);
        if (fs::exists(dir / "idVendor", ec) && ReadHex(dir / "bcdDevice", &value)) {
            node->device = dir;
            node->release = uint16_t(value);
            node->releaseKnown = true;
            break;
        }
        dir = dir.parent_path();
    }
}

} // namespace

HidrawRoots HidrawRoots::Under(const fs::path& root) {
    return {root / "sys", root / "dev", root / "proc"};
}

std::vector<HidrawNode> ListHidrawNodes(const HidrawRoots& roots, std::string* problem) {
    std::vector<HidrawNode> nodes;
    const fs::path classDir = roots.sys / "class" / "hidraw";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec) {
        if (problem)
            *problem = "no hidraw nodes: " + classDir.string() + " cannot be read (" +
                       ec.message() + "; is the hidraw module loaded?)";
        return nodes;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (name.rfind("hidraw", 0) != 0)
            continue;
        HidrawNode node;
        node.name = name;
        Describe(it->path(), roots, &node);
        nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(), [](const HidrawNode& a, const HidrawNode& b) {
        return NodeNumber(a.name) < NodeNumber(b.name);
    });
    if (nodes.empty() && problem)
        *problem = "no hidraw nodes: " + classDir.string() + " is empty";
    return nodes;
}

} // namespace device
