// A choice from the menu as MATE keeps a display configuration: ~/.config/monitors.xml (version 1), which
// MATE's settings daemon applies at log-in to the configuration whose outputs are connected; an outside
// change is never written there by MATE itself.
#pragma once
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "output_placement.h"

namespace linuxp {

// One <configuration> for these outputs.
inline std::string MateConfiguration(const std::vector<OutputPlacement>& outputs) {
  static const char* const kRotations[] = {"normal", "left", "upside_down", "right"};
  std::string xml = "  <configuration>\n    <clone>no</clone>\n";
  for (const OutputPlacement& o : outputs) {
    char text[640];
    std::snprintf(
        text, sizeof text,
        "    <output name=\"%s\">\n      <vendor>%s</vendor>\n      <product>0x%04x</product>\n"
        "      <serial>0x%08x</serial>\n      <width>%d</width>\n      <height>%d</height>\n"
        "      <rate>%ld</rate>\n      <x>%d</x>\n      <y>%d</y>\n      <rotation>%s</rotation>\n"
        "      <reflect_x>no</reflect_x>\n      <reflect_y>no</reflect_y>\n      <primary>%s</primary>\n"
        "    </output>\n",
        o.name.c_str(), o.edid.vendor.c_str(), o.edid.product, o.edid.serial, o.width, o.height,
        std::lround(o.refresh), o.x, o.y, kRotations[(o.rotation / 90) % 4], o.primary ? "yes" : "no");
    xml += text;
  }
  return xml + "  </configuration>\n";
}

// The names of the outputs a configuration shows something on (those with a size).
inline std::set<std::string> ShownOutputs(const std::string& configuration) {
  std::set<std::string> names;
  for (size_t at = configuration.find("<output name=\""); at != std::string::npos;
       at = configuration.find("<output name=\"", at + 1)) {
    const size_t start = at + 14;
    const size_t end = configuration.find('"', start);
    const size_t close = configuration.find("</output>", at);
    const size_t size = configuration.find("<width>", at);
    if (end != std::string::npos && size != std::string::npos && size < close)
      names.insert(configuration.substr(start, end - start));
  }
  return names;
}

// The file with the configuration for these outputs put in place of the one for the same outputs; the
// configurations for other monitor sets (docked, undocked) are kept as they were.
inline std::string MergeMateMonitors(const std::string& file, const std::vector<OutputPlacement>& outputs) {
  std::set<std::string> shown;
  for (const OutputPlacement& o : outputs) shown.insert(o.name);
  std::string kept;
  for (size_t at = file.find("<configuration>"); at != std::string::npos;
       at = file.find("<configuration>", at + 1)) {
    const size_t end = file.find("</configuration>", at);
    if (end == std::string::npos) break;
    const std::string configuration = file.substr(at, end + 16 - at);
    if (ShownOutputs(configuration) != shown) kept += "  " + configuration + "\n";
  }
  return "<monitors version=\"1\">\n" + kept + MateConfiguration(outputs) + "</monitors>\n";
}

}  // namespace linuxp
