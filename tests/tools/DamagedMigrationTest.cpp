// migrate on many damaged copies of the real SQLite 2 fixtures: each copy is either refused,
// leaving nothing behind, or migrated with every row there. Fixed seed, so a failure repeats.

#include "CatalogueMigration.h"
#include "Command.h"
#include "ToolTestSupport.h"
#include "sqlite2/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace kelvara::dbtool::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 1024;

const char* const kTables[] = {
    "SELECT id_marki, marka FROM Marki ORDER BY 1",
    "SELECT id_modelu, id_marki, model FROM Modele ORDER BY 1",
    "SELECT * FROM kompresory ORDER BY 1",
    "SELECT rowid, * FROM kolumny ORDER BY 1",
};

// Each table's rows, one line each.
struct Contents {
    std::vector<std::string> rows;
};

std::vector<Contents> contentsOf(const std::string& db)
{
    std::vector<Contents> tables;
    for (const char* sql : kTables) {
        Contents table;
        const std::string all = querySql(db, sql);
        std::size_t start = 0;
        while (start < all.size()) {
            std::size_t end = all.find('\n', start);
            end = end == std::string::npos ? all.size() : end;
            table.rows.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

enum Kind { ByteFlips, Truncation, ZeroedPage, SwappedPages, PageHeaderFlip, FileHeaderFlip };
const char* const kKindNames[] = {"byte flips",  "truncation",       "zeroed page",
                                  "swapped pages", "page-header flip", "file-header flip"};

Bytes damage(const Bytes& original, Kind kind, std::mt19937& random)
{
    Bytes image = original;
    const std::size_t pages = image.size() / kPage;
    auto pick = [&](std::size_t low, std::size_t high) {  // inclusive
        return std::uniform_int_distribution<std::size_t>(low, high)(random);
    };
    auto flip = [&](std::size_t position) {
        image[position] ^= static_cast<std::uint8_t>(pick(1, 255));
    };
    switch (kind) {
    case ByteFlips:
        for (std::size_t n = pick(1, 8); n > 0; --n)
            flip(pick(0, image.size() - 1));
        break;
    case Truncation:
        image.resize(pick(0, 1) ? pick(0, pages - 1) * kPage : pick(0, image.size() - 1));
        break;
    case ZeroedPage:
        std::fill_n(image.begin() + static_cast<long>(pick(0, pages - 1) * kPage), kPage, 0);
        break;
    case SwappedPages: {
        const std::size_t a = pick(0, pages - 1);
        std::size_t b = pick(0, pages - 2);
        b += b >= a ? 1 : 0;
        std::swap_ranges(image.begin() + static_cast<long>(a * kPage),
                         image.begin() + static_cast<long>((a + 1) * kPage),
                         image.begin() + static_cast<long>(b * kPage));
        break;
    }
    case PageHeaderFlip:
        flip(pick(1, pages - 1) * kPage + pick(0, 7));
        break;
    case FileHeaderFlip:
        flip(pick(0, 95));
        break;
    }
    return image;
}

TEST(DamagedMigration, NoDamagedCopyMigratesWithARowMissingOrAdded)
{
    constexpr int kCopiesPerKind = 120;
    std::mt19937 random(20261207);
    int runs = 0;
    int refused = 0;
    int equal = 0;
    int changedField = 0;
    int rowsLostOrAdded = 0;
    for (const char* fixture : {"catalogue-v2.db", "catalogue-v2-bigendian.db"}) {
        TempDir dir;
        const Bytes original = sqlite2::test::readFile(sqlite2::test::fixturePath(fixture));
        const auto ignore = [](const std::string&) {};
        migrateCatalogue(sqlite2::test::fixturePath(fixture), dir.path("baseline.db"), {},
                         ignore);
        const std::vector<Contents> baseline = contentsOf(dir.path("baseline.db"));

        const std::string oldPath = dir.path("old.db");
        const std::string newPath = dir.path("new.db");
        for (int kind = ByteFlips; kind <= FileHeaderFlip; ++kind) {
            for (int copy = 0; copy < kCopiesPerKind; ++copy) {
                const Bytes image = damage(original, static_cast<Kind>(kind), random);
                writeFile(oldPath, std::string(image.begin(), image.end()));
                ++runs;
                try {
                    migrateCatalogue(oldPath, newPath, {}, ignore);
                } catch (const ToolError& e) {
                    ++refused;
                    // Nothing beside the inputs: no new file, no temporary, no journal.
                    std::size_t files = 0;
                    for (const auto& entry : std::filesystem::directory_iterator(dir.dir())) {
                        (void)entry;
                        ++files;
                    }
                    ASSERT_EQ(files, 2u) << kKindNames[kind] << ": " << e.what();
                    continue;
                }
                const std::vector<Contents> migrated = contentsOf(newPath);
                bool sameRows = true;
                bool sameFields = true;
                for (std::size_t t = 0; t < baseline.size(); ++t) {
                    sameRows = sameRows && migrated[t].rows.size() == baseline[t].rows.size();
                    sameFields = sameFields && migrated[t].rows == baseline[t].rows;
                }
                if (!sameRows) {
                    ++rowsLostOrAdded;
                    ADD_FAILURE() << fixture << ", " << kKindNames[kind] << " copy " << copy
                                  << ": migrated with a row missing or added";
                } else if (sameFields) {
                    ++equal;
                } else {
                    ++changedField;
                }
                std::filesystem::remove(newPath);
            }
        }
    }
    std::printf("damaged copies: %d runs, %d refused, %d migrated equal, %d migrated with a "
                "changed field, %d with a row missing or added\n",
                runs, refused, equal, changedField, rowsLostOrAdded);
    RecordProperty("runs", runs);
    RecordProperty("refused", refused);
    RecordProperty("changed_field", changedField);
    EXPECT_EQ(rowsLostOrAdded, 0);
    // Damage to structure must be refused; only changes inside values and unused bytes pass.
    EXPECT_GT(refused, runs * 3 / 4);
}

}  // namespace
}  // namespace kelvara::dbtool::testing
