// The filings tests share one generated hotel folder (the demo generator's
// "hotel" size) and read figures back from report files.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/text.h"
#include "demo/demo.h"
#include "support/data_folder.h"

namespace corvex::test {

// The demo hotel, generated once per test suite; the current directory while
// the suite runs.
class HotelDemo : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDataFolder>();
        demo::generate(".", {demo::Size::Hotel, 1});
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static std::string fd0() { return folder_->readFile("fd0"); }
    static std::string readFile(const std::string& name) { return folder_->readFile(name); }

  private:
    static inline std::unique_ptr<TempDataFolder> folder_;
};

inline std::vector<std::string> righe(const std::string& file) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2) {
        out.push_back(file.substr(at, end - at));
    }
    return out;
}

inline std::vector<std::string> parole(const std::string& riga) {
    std::istringstream in(riga);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// "1.234,50" or "-3,25" as the reports print amounts.
inline Currency importo(std::string testo) {
    std::string t;
    for (char c : testo) {
        if (c != '.') t += c;
    }
    const auto v = Currency::parse(t);
    EXPECT_TRUE(v.has_value()) << "not an amount: " << testo;
    return v.value_or(Currency());
}

// The sum of the amounts after the euro sign on the lines holding `segno`.
inline Currency sommaEuro(const std::string& file, const std::string& segno) {
    Currency somma;
    for (const auto& r : righe(file)) {
        const std::size_t euro = r.find('\x80');
        if (r.find(segno) == std::string::npos || euro == std::string::npos) continue;
        somma += importo(trim(r.substr(euro + 1)));
    }
    return somma;
}

}  // namespace corvex::test
