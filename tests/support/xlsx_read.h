// Reads an XLSX file back for the tests: the parts of the archive (through
// unzip), a cell's element, attributes and number format, and the cells of
// the row whose first cell holds a given text.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace corvex::test {

// One part of the zip archive, as unzip extracts it; "" when missing.
inline std::string xlsxPart(const std::string& file, const std::string& name) {
    std::string out;
    FILE* p = ::popen(("unzip -p '" + file + "' " + name + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
    return out;
}

inline bool haveUnzip() {
    return std::system("command -v unzip >/dev/null 2>&1") == 0;
}

// The <c> element of a cell reference, e.g. "B2".
inline std::string xlsxCell(const std::string& sheet, const std::string& ref) {
    std::smatch m;
    const std::regex re("<c r=\"" + ref + "\"[^>]*?(/>|>[\\s\\S]*?</c>)");
    return std::regex_search(sheet, m, re) ? m.str(0) : "";
}

inline std::string xlsxAttr(const std::string& element, const std::string& name) {
    std::smatch m;
    const std::regex re(" " + name + "=\"([^\"]*)\"");
    return std::regex_search(element, m, re) ? m.str(1) : "";
}

// The number format code of a cell style index (styles.xml cellXfs).
inline std::string xlsxFormat(const std::string& styles, const std::string& s) {
    std::smatch xfs;
    if (!std::regex_search(styles, xfs, std::regex("<cellXfs[^>]*>([\\s\\S]*?)</cellXfs>")))
        return "";
    const std::string list = xfs.str(1);
    std::vector<std::string> ids;
    const std::regex xf("<xf [^>]*numFmtId=\"(\\d+)\"");
    for (std::sregex_iterator i(list.begin(), list.end(), xf), end; i != end; ++i)
        ids.push_back((*i).str(1));
    const std::size_t index = s.empty() ? 0 : std::stoul(s);
    if (index >= ids.size()) return "";
    std::smatch f;
    const std::regex re("<numFmt numFmtId=\"" + ids[index] + "\" formatCode=\"([^\"]*)\"");
    return std::regex_search(styles, f, re) ? f.str(1) : "builtin " + ids[index];
}

// The first sheet of a workbook, cell by cell.
class XlsxLetto {
  public:
    struct Valore {
        bool testo = false;  // a shared string, else a number
        std::string valore;  // the text (UTF-8) or the number as written
        std::string formato;
    };

    explicit XlsxLetto(const std::string& file)
        : sheet_(xlsxPart(file, "xl/worksheets/sheet1.xml")),
          styles_(xlsxPart(file, "xl/styles.xml")) {
        const std::string shared = xlsxPart(file, "xl/sharedStrings.xml");
        const std::regex si("<si><t[^>]*>([\\s\\S]*?)</t></si>");
        for (std::sregex_iterator i(shared.begin(), shared.end(), si), end; i != end; ++i)
            strings_.push_back((*i).str(1));
    }

    bool vuoto() const { return sheet_.empty(); }

    // ref "C7"; a missing cell is an empty number without format.
    Valore cella(const std::string& ref) const {
        const std::string c = xlsxCell(sheet_, ref);
        std::smatch v;
        std::string value;
        if (std::regex_search(c, v, std::regex("<v>([^<]*)</v>"))) value = v.str(1);
        if (xlsxAttr(c, "t") == "s") return {true, strings_.at(std::stoul(value)), ""};
        return {false, value, c.empty() ? "" : xlsxFormat(styles_, xlsxAttr(c, "s"))};
    }

    // The number of the first row whose column A holds text; 0 when none.
    int riga(const std::string& text) const {
        const std::regex a("<c r=\"A(\\d+)\"[^>]*t=\"s\"[^>]*><v>(\\d+)</v>");
        for (std::sregex_iterator i(sheet_.begin(), sheet_.end(), a), end; i != end; ++i) {
            if (strings_.at(std::stoul((*i).str(2))) == text) return std::stoi((*i).str(1));
        }
        return 0;
    }

  private:
    std::string sheet_, styles_;
    std::vector<std::string> strings_;
};

}  // namespace corvex::test
