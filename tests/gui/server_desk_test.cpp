// The desk's "Server" choice: what may be kept.
#include "desk/server_desk.h"

#include <gtest/gtest.h>

namespace corvex::desk {
namespace {

TEST(SceltaServer, KeepsOnlyAUsableChoiceWithoutAPassword) {
    struct Row {
        const char* url;
        const char* proprieta;
        const char* says;  // "" when kept
    };
    const Row rows[] = {
        {"", "", ""},  // the data folder
        {"postgresql://corvex@db/alberghi", "mare", ""},
        {"host=db dbname=alberghi", "hotel_2", ""},
        {"", "mare", "manca l'indirizzo"},
        {"postgresql://corvex@db/alberghi", "", "non è un nome valido"},
        {"postgresql://corvex@db/alberghi", "Mare", "non è un nome valido"},
        {"postgresql://corvex:segreta@db/alberghi", "mare", "la password non va"},
        {"host=db password=segreta", "mare", "la password non va"},
    };
    for (const Row& r : rows) {
        const std::string said = ControllaServer(r.url, r.proprieta);
        if (*r.says == '\0')
            EXPECT_EQ(said, "") << r.url;
        else
            EXPECT_NE(said.find(r.says), std::string::npos) << r.url << ": " << said;
    }
}

}  // namespace
}  // namespace corvex::desk
