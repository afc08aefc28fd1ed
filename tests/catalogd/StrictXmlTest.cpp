// Every XML document the project ships or produces must pass a strict parser,
// not only our own tolerant readers: the device's reader and other clients
// refuse what is not well-formed.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

// Collects documents as numbered files in a scratch folder.
class Documents {
public:
    void Add(const std::string& label, const std::string& bytes) {
        fs::path file = dir.Path() / (std::to_string(files.size()) + ".xml");
        std::ofstream(file, std::ios::binary) << bytes;
        files.push_back(file);
        labels += std::to_string(files.size() - 1) + ".xml: " + label + "\n";
    }
    std::string Complaints() const { return LintComplaints(files, dir.Path()); }
    const std::string& Labels() const { return labels; }
    std::size_t Count() const { return files.size(); }

private:
    TempDir dir;
    std::vector<fs::path> files;
    std::string labels;
};

TEST(StrictXml, TheShippedInterfaceTextsAreWellFormed) {
    TempDir scratch;
    EXPECT_EQ(LintComplaints({fs::path(TOBRIX_SOURCE_DIR) / "data" / "localization.xml"}, scratch.Path()), "");
}

TEST(StrictXml, EverySeededPackagesSetupDocumentIsWellFormed) {
    Db store(SeededTemplate().string());
    Stmt& s = store.Prepare(
        "SELECT (SELECT value FROM meta WHERE key = 'assets') || '/' || package, sysid FROM apps ORDER BY id");
    Documents docs;
    while (s.Step()) {
        auto files = ReadCabinet(ReadWholeFile(s.Text(0)));
        ASSERT_TRUE(files.contains("_setup.xml")) << s.Text(1);
        docs.Add(s.Text(1), files["_setup.xml"]);
    }
    s.Reset();
    ASSERT_GE(docs.Count(), 81u);
    EXPECT_EQ(docs.Complaints(), "") << docs.Labels();
}

TEST(StrictXml, AnswersOfEveryMethodAreWellFormedWhateverTheUserTyped) {
    TestServer server;
    const std::string session = server.SignIn();
    const std::string app = "sessionid=" + session + "&appid=3";
    // Texts users send come back in reviews: markup, line breaks, and the
    // two code points that are valid text everywhere but in XML.
    const std::string nasty = "<b>&amp; \"q\" 'a'\t\nline \xEF\xBF\xBE\xEF\xBF\xBF end --";
    ASSERT_EQ(server.Call("rate", app + "&rate=4&text=" + Encoded(nasty)).code, 0);

    const std::vector<std::pair<std::string, std::string>> calls = {
        {"auth", "login=demo&pass=" + Encoded("demo") + "&ver=1.0b"},
        {"auth", "login=demo&pass=" + Encoded("wrong") + "&ver=1.0b"},
        {"reg", "login=" + Escaped("new<&>") + "&pass=" + Encoded("pw") + "&mail=" + Escaped("n@example.org")},
        {"reg", "login=demo&pass=" + Encoded("pw") + "&mail=" + Escaped("d@example.org")},
        {"auth_restore", "login=demo"},
        {"auth_restore", "login=ghost"},
        {"actmail_resend", "login=demo"},
        {"config", "sessionid=" + session + "&locale=en&osver=5.2&w=480&h=640"},
        {"cats", "sessionid=" + session},
        {"tags", "sessionid=" + session},
        {"getapps", "sessionid=" + session + "&count=500"},
        {"getapps", "sessionid=" + session + "&query=" + Encoded("<&\"'>")},
        {"appdetails", app + "&details=1"},
        {"appdetails", "sessionid=" + session + "&appid=424242"},
        {"reviews", app},
        {"rate", app + "&rate=9"},
        {"feedback", app + "&text=" + Encoded(nasty)},
        {"download", "sessionid=" + session},
        {"cats", "sessionid=unknown"},
        {"cats", ""},
    };
    Documents docs;
    for (const auto& [method, query] : calls) {
        Answer a = server.Call(method, query);
        ASSERT_GT(a.http, 0) << method << " got no answer";
        docs.Add(method + "?" + query, a.body);
    }
    EXPECT_EQ(docs.Complaints(), "") << docs.Labels();
}

}  // namespace
}  // namespace catalogd::test
