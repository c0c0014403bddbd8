// Device names: --map values, define/undefine and the user's links, each
// followed by queries that a small model of the lookup order must predict.
// Everything happens in a private namespace whose /dev and link folder are
// temporary folders.
#include "portio/devicenamespace.h"
#include "portio/rfc2217/rfc2217target.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Folders {
    std::string root, dev, links, plainFile;
};

Folders g_folders;

void removeFolders()
{
    std::error_code ec;
    fs::remove_all(g_folders.root, ec);
}

// A /dev of three nodes (links to character devices that every system has),
// an empty link folder and a regular file, which is no port.
void makeFolders()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vl-fuzz-ns-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    g_folders = { pattern, pattern + "/dev", pattern + "/links", pattern + "/plain" };
    fs::create_directory(g_folders.dev);
    fs::create_directory(g_folders.links);
    fs::create_symlink("/dev/null", g_folders.dev + "/ttyS0");
    fs::create_symlink("/dev/zero", g_folders.dev + "/ttyS1");
    fs::create_symlink("/dev/null", g_folders.dev + "/ttyUSB0");
    fs::create_symlink("/dev/zero", g_folders.dev + "/ttyACM1"); // after a gap: never a COM name
    if (FILE* f = std::fopen(g_folders.plainFile.c_str(), "w")) std::fclose(f);
    std::atexit(removeFolders);
}

void clearLinks()
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(g_folders.links, ec))
        fs::remove(entry.path(), ec);
}

std::string asciiLower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
    return s;
}

std::string withoutPrefix(const std::string& name)
{
    const std::string prefix = "\\\\.\\";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

bool validName(const std::string& bare)
{
    return !bare.empty() && bare.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool hasZero(const std::string& s)
{
    return s.find('\0') != std::string::npos;
}

// A target with a zero byte in it is no path: the namespace must refuse it.
// Remote targets (rfc2217://) have tests of their own; here they only have to
// land in the table when accepted.
bool judged(const std::string& target)
{
    return !portio::looksLikeRfc2217Target(target);
}

bool isPort(const std::string& target)
{
    struct stat st { };
    return !hasZero(target) && ::stat(target.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// What the namespace should answer, kept with plain maps keyed by lower case.
class Model {
public:
    bool define(const std::string& name, const std::string& target)
    {
        const std::string bare = withoutPrefix(name);
        if (!validName(bare) || !isPort(target)) return false;
        record(name, target);
        return true;
    }
    void record(const std::string& name, const std::string& target)
    {
        m_defined[asciiLower(withoutPrefix(name))] = target;
    }
    void undefine(const std::string& name) { m_defined.erase(asciiLower(withoutPrefix(name))); }
    void link(const std::string& lowerName, const std::string& target)
    {
        m_links[lowerName] = target[0] == '/' ? target : g_folders.links + "/" + target;
    }
    std::optional<std::string> query(const std::string& name) const
    {
        const std::string bare = withoutPrefix(name);
        if (!validName(bare)) return std::nullopt;
        const std::string key = asciiLower(bare);
        if (auto it = m_defined.find(key); it != m_defined.end()) return it->second;
        if (auto it = m_links.find(key); it != m_links.end()) return it->second;
        static const std::map<std::string, std::string> convention { { "com1", "/ttyS0" }, { "com2", "/ttyS1" },
            { "com3", "/ttyUSB0" } };
        if (auto it = convention.find(key); it != convention.end()) return g_folders.dev + it->second;
        return std::nullopt;
    }

private:
    std::map<std::string, std::string> m_defined, m_links;
};

class Session {
public:
    explicit Session(FuzzedDataProvider& in)
        : m_in(in)
        , m_ns(portio::DeviceNamespace::Config { g_folders.dev, g_folders.links })
    {
    }

    void step()
    {
        switch (m_in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return mapOption();
        case 1:
            return define();
        case 2:
            return undefine();
        case 3:
            return link();
        default:
            return query();
        }
    }

private:
    std::string name()
    {
        if (m_in.ConsumeBool() || m_names.empty()) {
            m_names.push_back(m_in.ConsumeRandomLengthString(40));
            return m_names.back();
        }
        return m_names[m_in.ConsumeIntegralInRange<size_t>(0, m_names.size() - 1)];
    }

    // Known kinds of target more often than chance would find them.
    std::string target()
    {
        const std::string known[] = { "/dev/null", g_folders.dev + "/ttyS1", g_folders.links, g_folders.plainFile,
            g_folders.root + "/missing", "/dev/null/x" };
        const size_t pick = m_in.ConsumeIntegralInRange<size_t>(0, std::size(known));
        return pick < std::size(known) ? known[pick] : m_in.ConsumeRandomLengthString(60);
    }

    // Case flipped letter by letter and the "\\.\" prefix, as the input says.
    std::string spelling(std::string s)
    {
        for (char& c : s)
            if (std::isalpha(static_cast<unsigned char>(c)) && m_in.ConsumeBool()) c = char(c ^ 0x20);
        return m_in.ConsumeBool() ? "\\\\.\\" + s : s;
    }

    void expectDefined(bool ok, const std::string& name, const std::string& target)
    {
        if (!judged(target)) {
            if (ok) m_model.record(name, target);
            return;
        }
        if (ok != m_model.define(name, target)) __builtin_trap();
    }

    void mapOption()
    {
        const std::string option = m_in.ConsumeBool() ? name() + "=" + target() : m_in.ConsumeRandomLengthString(80);
        const auto eq = option.find('=');
        const bool ok = m_ns.defineFromMapOption(option).ok();
        if (eq == std::string::npos || eq == 0 || eq + 1 == option.size()) {
            if (ok) __builtin_trap();
            return;
        }
        expectDefined(ok, option.substr(0, eq), option.substr(eq + 1));
    }

    void define()
    {
        const std::string n = name(), t = target();
        expectDefined(m_ns.define(n, t).ok(), n, t);
    }

    void undefine()
    {
        const std::string n = spelling(name());
        m_ns.undefine(n);
        m_model.undefine(n);
    }

    // A link may not hold '/' or a zero byte, and may not be "." or "..";
    // of names that differ only in case the folder keeps one.
    void link()
    {
        std::string n = name(), t = target();
        if (n.empty() || n == "." || n == ".." || n.find_first_of(std::string("/\0", 2)) != std::string::npos) return;
        if (t.empty() || t.find('\0') != std::string::npos) return;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(g_folders.links, ec))
            if (asciiLower(entry.path().filename().string()) == asciiLower(n)) fs::remove(entry.path(), ec);
        if (::symlink(t.c_str(), (g_folders.links + "/" + n).c_str()) != 0) return;
        m_model.link(asciiLower(n), t);
    }

    void query()
    {
        const std::string n = spelling(name());
        const auto got = m_ns.query(n);
        const auto expected = m_model.query(n);
        if (got.ok() != expected.has_value() || (got.ok() && got.value() != *expected)) __builtin_trap();
    }

    FuzzedDataProvider& m_in;
    portio::DeviceNamespace m_ns;
    Model m_model;
    std::vector<std::string> m_names { "COM1", "com2", "Com3", "COM4", "com10" };
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    makeFolders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    clearLinks();
    FuzzedDataProvider in(data, size);
    Session session(in);
    for (int i = 0; i < 64 && in.remaining_bytes() > 0; ++i)
        session.step();
    return 0;
}
