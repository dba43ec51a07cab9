// Any bytes as a CSV file to import. The reader reads the same records from a stream as from
// text in memory, and what it read, written again, reads back the same. The import either
// refuses the file naming a line, with the catalogue untouched, or adds exactly the rows it
// counted, the same count a dry run gives. Its heap never grows beyond a fixed amount plus a
// multiple of the longest line and of the distinct names it must remember.

#include "CatalogueCsv.h"
#include "Csv.h"
#include "FuzzCheck.h"
#include "Schema.h"

#include <sanitizer/allocator_interface.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tool = kelvara::dbtool;

namespace {

// The most heap in use at any moment while watched. Reading the amount in use costs more
// than most allocations, so only the dry run is watched.
std::size_t g_peak = 0;
bool g_watching = false;

void notePeak(const volatile void*, std::size_t)
{
    if (g_watching)
        g_peak = std::max(g_peak, __sanitizer_get_current_allocated_bytes());
}

void noteFree(const volatile void*) {}

std::string scratch(const char* what)
{
    const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    return (dir / ("kelvara-csv-fuzz-" + std::to_string(getpid()) + "-" + what + ".db")).string();
}

// A catalogue holding one manufacturer and model, so that names are found as well as made.
const std::string& templateCatalogue()
{
    static const std::string path = [] {
        const std::string p = scratch("template");
        std::filesystem::remove(p);
        sqlite3* db = nullptr;
        CHECK(sqlite3_open(p.c_str(), &db) == SQLITE_OK);
        CHECK(sqlite3_exec(db, kelvara::catalogueSchemaSql().c_str(), nullptr, nullptr, nullptr) == SQLITE_OK);
        CHECK(sqlite3_exec(db, "INSERT INTO Marki VALUES (1, 'VW'); INSERT INTO Modele VALUES (1, 1, 'Golf');",
                           nullptr, nullptr, nullptr) == SQLITE_OK);
        sqlite3_close(db);
        return p;
    }();
    return path;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long long compressors(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* count = nullptr;
    CHECK(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK);
    CHECK(sqlite3_prepare_v2(db, "SELECT count(*) FROM kompresory", -1, &count, nullptr) == SQLITE_OK);
    CHECK(sqlite3_step(count) == SQLITE_ROW);
    const long long n = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    sqlite3_close(db);
    return n;
}

// A field as the file means it: NULL (an unquoted empty field) or a text.
std::optional<std::string> valueOf(const tool::CsvField& field)
{
    if (field.text.empty() && !field.quoted)
        return std::nullopt;
    return field.text;
}

using Records = std::vector<std::vector<std::optional<std::string>>>;

// Every record, or the line of the first fault.
std::optional<std::size_t> readAll(tool::CsvReader& reader, Records& records)
{
    try {
        tool::CsvRecord record;
        while (reader.next(record)) {
            CHECK(record.count == record.fields.size());
            auto& values = records.emplace_back();
            for (const tool::CsvField& field : record.fields)
                values.push_back(valueOf(field));
        }
    } catch (const tool::CsvError& e) {
        CHECK(e.line() >= 1 && !e.reason().empty());
        return e.line();
    }
    return std::nullopt;
}

void checkReader(const std::string& text, Records& records, std::optional<std::size_t>& fault)
{
    tool::CsvReader fromText(text);
    fault = readAll(fromText, records);
    std::istringstream stream(text);
    tool::CsvReader fromStream(stream);
    Records again;
    CHECK(readAll(fromStream, again) == fault);
    CHECK(again == records);
    if (fault)
        return;

    std::string written;
    for (const auto& values : records) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0)
                tool::appendCsvSeparator(written);
            if (values[i])
                tool::appendCsvField(written, *values[i]);
            else
                tool::appendCsvNull(written);
        }
        tool::appendCsvRecordEnd(written);
    }
    tool::CsvReader reread(written);
    Records back;
    CHECK(!readAll(reread, back));
    CHECK(back == records);
}

std::size_t longestLine(const std::string& text)
{
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

// What the import may keep besides the line it reads: each distinct name, once per map.
std::size_t namesAllowance(const Records& records)
{
    std::set<std::string> makers, models;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const auto& r = records[i];
        if (r.size() > 1 && r[0] && r[1]) {
            makers.insert(*r[0]);
            models.insert(*r[0] + '\n' + *r[1]);
        }
    }
    std::size_t bytes = 0;
    for (const auto* names : {&makers, &models})
        for (const std::string& name : *names)
            bytes += 256 + 2 * name.size();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(notePeak, noteFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Records records;
    std::optional<std::size_t> fault;
    checkReader(text, records, fault);

    // Written through a stream, which retries a write that libFuzzer's timer interrupts;
    // copy_file gives up with EINTR.
    static const std::string image = contents(templateCatalogue());
    static const long long before = compressors(templateCatalogue());
    static const std::string work = scratch("work");
    std::ofstream(work, std::ios::binary | std::ios::trunc) << image;

    // A dry run first, its heap watched from the moment the stream exists.
    std::optional<tool::ImportSummary> dry;
    {
        std::istringstream csv(text);
        const std::size_t base = __sanitizer_get_current_allocated_bytes();
        g_peak = base;
        g_watching = true;
        try {
            dry = tool::importCatalogue(csv, work, true);
        } catch (const tool::ImportError& e) {
            g_watching = false;
            CHECK(e.line() >= 1 && !e.reason().empty());
        }
        g_watching = false;
        const std::size_t allowed = (2u << 20) + 64 * longestLine(text) + namesAllowance(records);
        if (g_peak - base > allowed) {
            std::fprintf(stderr, "import of %zu bytes took %zu bytes of heap, more than %zu\n", size,
                         g_peak - base, allowed);
            CHECK(!"heap beyond the bound");
        }
    }

    std::istringstream csv(text);
    std::optional<tool::ImportSummary> done;
    try {
        done = tool::importCatalogue(csv, work, false);
    } catch (const tool::ImportError& e) {
        CHECK(e.line() >= 1 && !e.reason().empty());
    }
    CHECK(done.has_value() == dry.has_value());
    if (!done) {
        // Not a byte changed (a write rolled back restores every page it touched).
        CHECK(contents(work) == image);
        return 0;
    }
    // An imported file is one the reader reads whole: the header and one row per compressor.
    CHECK(!fault && records.size() == done->compressors + 1);
    CHECK(done->compressors == dry->compressors && done->modelsCreated == dry->modelsCreated
          && done->manufacturersCreated == dry->manufacturersCreated);
    CHECK(compressors(work) == before + static_cast<long long>(done->compressors));
    return 0;
}
