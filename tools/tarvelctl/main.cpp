// tarvelctl: the portable core from the command line, JSON on standard output.

#include "Commands.h"

#include "platform/Platform.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

const char kUsage[] = "usage: tarvelctl [--exe-dir DIR] settings | texts [FILE] | "
                      "dpi --sensor ID (to-hw DPI | from-hw CODE FLAG)";

int Fail(const std::string& message) {
    JsonWriter json;
    json.BeginObject().Key("error").String(message).EndObject();
    Print(json);
    return 1;
}

} // namespace

int64_t ParseNumber(const std::string& s) {
    bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const char* begin = s.c_str() + (hex ? 2 : 0);
    char* end = nullptr;
    long long v = std::strtoll(begin, &end, hex ? 16 : 10);
    if (s.empty() || *begin == '\0' || *end != '\0')
        throw CommandError("not a number: " + s);
    return v;
}

void Print(const JsonWriter& json) {
    std::string line = json.Str() + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

int main(int argc, char** argv) {
    Options opts;
    opts.exeDir = platform::ExecutableDir();
    Args args(argv + 1, argv + argc);
    try {
        size_t i = 0;
        for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
            if (args[i] == "--exe-dir" && i + 1 < args.size()) {
                opts.exeDir = text::FromUtf8(args[++i]);
                if (opts.exeDir.empty() ||
                    (opts.exeDir.back() != u'/' && opts.exeDir.back() != u'\\'))
                    opts.exeDir += platform::kPathSeparator;
            } else {
                throw CommandError("unknown option " + args[i] + "; " + kUsage);
            }
        }
        if (i == args.size())
            throw CommandError(kUsage);
        const std::string command = args[i];
        const Args rest(args.begin() + long(i) + 1, args.end());
        static const std::map<std::string, int (*)(const Options&, const Args&)> kCommands = {
            {"settings", CmdSettings},
            {"texts", CmdTexts},
            {"dpi", CmdDpi},
        };
        auto it = kCommands.find(command);
        if (it == kCommands.end())
            throw CommandError("unknown command " + command + "; " + kUsage);
        return it->second(opts, rest);
    } catch (const CommandError& e) {
        return Fail(e.what());
    }
}
