// Databases whose registry tables are not of this layout: every call
// answers ERROR_BADDB and the tables found there are left as they were.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/temp_home.h"
#include "vekconfig/registry.h"

namespace vek::test {
namespace {

// A database of its own in the test cluster, dropped afterwards.
class ScratchDatabase {
public:
    ScratchDatabase() {
        server_ = std::getenv("VEK_TEST_REGISTRY") != nullptr ? std::getenv("VEK_TEST_REGISTRY") : "";
        static int made = 0;  // a fresh name each time: no connection can outlive its database
        name_ = "vek_scratch_" + std::to_string(getpid()) + "_" + std::to_string(made++);
        Run(server_, "DROP DATABASE IF EXISTS " + name_);
        Run(server_, "CREATE DATABASE " + name_);
        // The URI's path names the database: replace "/postgres?" with ours.
        uri_ = server_;
        uri_.replace(uri_.find("/postgres?"), 10, "/" + name_ + "?");
    }
    ~ScratchDatabase() { Run(server_, "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)"); }

    const std::string& uri() const { return uri_; }
    // Runs sql on uri; the text of the first row's first column, "" for none.
    static std::string Run(const std::string& uri, const std::string& sql) {
        PGconn* conn = PQconnectdb(uri.c_str());
        PGresult* result = PQexec(conn, sql.c_str());
        EXPECT_TRUE(PQresultStatus(result) == PGRES_COMMAND_OK ||
                    PQresultStatus(result) == PGRES_TUPLES_OK)
            << PQerrorMessage(conn);
        std::string first = PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        PQfinish(conn);
        return first;
    }

private:
    std::string server_, name_, uri_;
};

TEST(ForeignDatabase, LayoutOfLaterVersionOrKeysTableOfAnotherShapeGivesBadDbAndIsLeftAlone) {
    ASSERT_TRUE(TestStoreIsPostgres()) << "needs VEK_TEST_REGISTRY (run through ctest)";
    const struct {
        const char* tables;
        const char* check;  // a query whose answer shows the tables as they were
        const char* answer;
        const char* names;  // the schema's tables, none added
    } cases[] = {{"CREATE TABLE vek_registry.layout(version integer NOT NULL);"
                  "INSERT INTO vek_registry.layout VALUES(2)",
                  "SELECT string_agg(version::text, ',') FROM vek_registry.layout", "2", "layout"},
                 {"CREATE TABLE vek_registry.keys(x integer)",
                  "SELECT string_agg(column_name, ',') FROM information_schema.columns "
                  "WHERE table_schema = 'vek_registry' AND table_name = 'keys'", "x", "keys"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tables);
        TempHome home;
        ScratchDatabase database;
        ScratchDatabase::Run(database.uri(), std::string("CREATE SCHEMA vek_registry;") + c.tables);
        setenv("VEK_REGISTRY", database.uri().c_str(), 1);  // TempHome puts it back
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(ScratchDatabase::Run(database.uri(), c.check), c.answer);
        EXPECT_EQ(ScratchDatabase::Run(database.uri(), "SELECT string_agg(table_name, ',' ORDER BY table_name) "
                                                       "FROM information_schema.tables "
                                                       "WHERE table_schema = 'vek_registry'"),
                  c.names);
    }
}

}  // namespace
}  // namespace vek::test
