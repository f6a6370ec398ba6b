// The report's lines as the program's own views show them (terminal,
// preview, PDF and system printer): frames drawn with "|" and "-", letters
// kept. The report file keeps its bytes; raw printing uses PulisciRiga.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// One line as the views show it. Bytes 179..218 are the code page 437 frame
// characters the reports draw with, and also code page 1252 letters and signs
// ("Á", "º", "·"...). Such a byte is drawn as a frame only where it joins the
// frame around it: a neighbour on its left or right (in the same line), above
// or below (same column of the lines above and below) that is a frame byte
// reaching back, or a rule ("-", "=", "+" beside it, "|", "+" above or below);
// a vertical bar (179) also when the line holds another one, as a table row
// does, or when it does not follow a letter or digit ("m³"). Verticals and side junctions become
// "|", everything else "-". Any other byte stays as it is, except "´" (180 outside a frame), which
// becomes
// "'". Bold marks (byte 231) are removed when keepBold is false and ignored
// for the columns either way. The line keeps its length (bold marks apart).
std::string rigaVista(std::string_view line, std::string_view above, std::string_view below,
                      bool keepBold = false);

// rigaVista of every line, each with its neighbours.
std::vector<std::string> righeVista(const std::vector<std::string>& lines, bool keepBold = false);

}  // namespace corvex
