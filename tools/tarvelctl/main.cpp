// tarvelctl: the portable core from the command line, JSON on standard output.

#include "Commands.h"

#include "platform/Platform.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

struct Command {
    CommandFn fn;
    std::string usage;
};

std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> commands;
    return commands;
}

std::string Usage() {
    std::string usage =
        "usage: tarvelctl [--exe-dir DIR] [--data-dir DIR] [--virtual STATE] COMMAND";
    for (const auto& [name, command] : Registry())
        usage += "; " + command.usage;
    return usage;
}

std::u16string AsDir(const std::string& arg) {
    std::u16string dir = text::FromUtf8(arg);
    if (dir.empty() || (dir.back() != u'/' && dir.back() != u'\\'))
        dir += platform::kPathSeparator;
    return dir;
}

int Fail(const std::string& message) {
    JsonWriter json;
    json.BeginObject().Key("error").String(message).EndObject();
    Print(json);
    return 1;
}

// Exit status 2: no receiver, and why each candidate was passed over.
int FailNoReceiver(const NoReceiverError& e) {
    JsonWriter json;
    json.BeginObject().Key("error").String(e.what()).Key("search").BeginArray();
    for (const std::string& line : e.search)
        json.String(line);
    json.EndArray().EndObject();
    Print(json);
    return 2;
}

// The product the tool reads when --exe-dir is not given: the one beside it
// (Windows, the stage folder, a build folder), else the one installed with it
// (PREFIX/bin/tarvelctl and PREFIX/share/tarvel/).
std::u16string DefaultProductDir() {
    const std::u16string exeDir = platform::ExecutableDir();
    if (std::filesystem::exists(std::filesystem::path(exeDir + u"cfg.ini")))
        return exeDir;
    const std::filesystem::path installed =
        std::filesystem::path(exeDir).parent_path().parent_path() / "share" / "tarvel";
    if (std::filesystem::exists(installed / "cfg.ini"))
        return installed.u16string() + platform::kPathSeparator;
    return exeDir;
}

} // namespace

CommandRegistration::CommandRegistration(const char* name, CommandFn fn, const char* usage) {
    Registry()[name] = {fn, usage};
}

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
    opts.exeDir = DefaultProductDir();
    Args args(argv + 1, argv + argc);
    try {
        size_t i = 0;
        for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
            if (args[i] == "--exe-dir" && i + 1 < args.size())
                opts.exeDir = AsDir(args[++i]);
            else if (args[i] == "--data-dir" && i + 1 < args.size())
                opts.dataDir = AsDir(args[++i]);
            else if (args[i] == "--virtual" && i + 1 < args.size())
                opts.virtualState = text::FromUtf8(args[++i]);
            else
                throw CommandError("unknown option " + args[i] + "; " + Usage());
        }
        if (i == args.size())
            throw CommandError(Usage());
        const std::string command = args[i];
        const Args rest(args.begin() + long(i) + 1, args.end());
        auto it = Registry().find(command);
        if (it == Registry().end())
            throw CommandError("unknown command " + command + "; " + Usage());
        return it->second.fn(opts, rest);
    } catch (const NoReceiverError& e) {
        return FailNoReceiver(e);
    } catch (const CommandError& e) {
        return Fail(e.what());
    }
}
