#pragma once
// A private settings folder for one test: XDG_CONFIG_HOME points into a fresh temporary
// folder for the lifetime of the object and is restored afterwards.

#include <optional>
#include <string>

namespace kelvo::test {

class TempSettings {
public:
    TempSettings();
    ~TempSettings();
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    const std::string& ConfigHome() const { return root_; }
    std::string KelvoFolder() const { return root_ + "/Kelvo"; }
    std::string IniPath() const { return KelvoFolder() + "/config.ini"; }

    // Reads the whole config.ini ("" when absent) / replaces it.
    std::string ReadIni() const;
    void WriteIni(const std::string& text) const;
    // Maps a port name to a device path through <folder>/ports/<name>.
    void MapPort(const std::string& name, const std::string& devicePath) const;

private:
    std::string root_;
    std::optional<std::string> previous_;
};

}  // namespace kelvo::test
