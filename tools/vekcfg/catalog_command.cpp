// vekcfg donor|media: list, inspect, add, change and remove catalog records,
// and see what fits a printer model. The two catalogs share one handler; the
// fields of their records are described as data below.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "json_writer.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

enum class Kind { Id, Integer, Real, Text };

// One field of a record or listing entry: its name on the command line and
// in the output, and where it lies.
struct Field {
    const char* name;
    Kind kind;
    size_t offset;
    size_t units = 0;  // texts only
};

#define VEK_FIELD(Record, member, name, kind) Field{name, kind, offsetof(Record, member), 0}
#define VEK_TEXT(Record, member, name) \
    Field{name, Kind::Text, offsetof(Record, member), sizeof(Record::member) / sizeof(WCHAR)}

struct DonorCatalog {
    using Catalog = CVekDonorConfig;
    using Global = DONOR_CHARACTERISTICS;
    using Printer = PRINTER_DONOR_CHARACTERISTICS;
    using Array = VEK_DONOR_ARRAY;
    using Entry = DONOR_ARRAY_ENTRY;
    static constexpr const char* kCommand = "donor";
    static constexpr const char* kNoun = "donor";
    static constexpr const char* kFile = "VekDonor.cfg";

    static inline const Field kGlobal[] = {
        VEK_FIELD(Global, DonorID, "id", Kind::Id),       VEK_TEXT(Global, Text, "text"),
        VEK_FIELD(Global, Value1, "value1", Kind::Integer), VEK_FIELD(Global, Value2, "value2", Kind::Integer),
        VEK_FIELD(Global, Value3, "value3", Kind::Integer), VEK_FIELD(Global, Real1, "real1", Kind::Real),
        VEK_FIELD(Global, Real2, "real2", Kind::Real),
    };
    static inline const Field kPrinter[] = {
        VEK_TEXT(Printer, PrinterModel, "model"),
        VEK_TEXT(Printer, PrinterText, "printer-text"),
    };
    static inline const Field kEntryGlobal[] = {
        VEK_FIELD(Entry, DonorID, "id", Kind::Id),       VEK_TEXT(Entry, Text, "text"),
        VEK_FIELD(Entry, Value1, "value1", Kind::Integer), VEK_FIELD(Entry, Value2, "value2", Kind::Integer),
        VEK_FIELD(Entry, Value3, "value3", Kind::Integer), VEK_FIELD(Entry, Real1, "real1", Kind::Real),
        VEK_FIELD(Entry, Real2, "real2", Kind::Real),
    };
    static inline const Field kEntryPrinter[] = {
        VEK_TEXT(Entry, PrinterText, "printer-text"),
    };

    static HRESULT List(Catalog& c, Array* out) { return c.GetDonor(out); }
    static HRESULT Potential(Catalog& c, const WCHAR* model, Array* out) { return c.GetPotentialDonor(model, out); }
    static Entry* Entries(const Array& a) { return a.Donors; }
    static HRESULT GetGlobal(Catalog& c, uint32_t id, Global* out) { return c.GetDonorCharacteristics(id, out); }
    static HRESULT GetPrinter(Catalog& c, uint32_t id, const WCHAR* model, Printer* out) {
        return c.GetPrinterDonorCharacteristics(id, model, out);
    }
    static HRESULT GetPrinters(Catalog& c, uint32_t id, uint32_t& count, Printer** out) {
        return c.GetPrinterDonorCharacteristics(id, count, out);
    }
    static HRESULT SetGlobal(Catalog& c, const Global* record) { return c.SetDonorCharacteristics(record); }
    static HRESULT SetPrinter(Catalog& c, uint32_t id, const Printer* record) {
        return c.SetPrinterDonorCharacteristics(id, record);
    }
    static HRESULT DeleteGlobal(Catalog& c, uint32_t id) { return c.DeleteDonorCharacteristics(id); }
    static HRESULT DeletePrinter(Catalog& c, uint32_t id, const WCHAR* model) {
        return c.DeletePrinterDonorCharacteristics(id, model);
    }
};

struct MediaCatalog {
    using Catalog = CVekMediaConfig;
    using Global = MEDIA_CHARACTERISTICS;
    using Printer = PRINTER_MEDIA_CHARACTERISTICS;
    using Array = VEK_MEDIA_ARRAY;
    using Entry = MEDIA_ARRAY_ENTRY;
    static constexpr const char* kCommand = "media";
    static constexpr const char* kNoun = "medium";
    static constexpr const char* kFile = "VekMedia.cfg";

    static inline const Field kGlobal[] = {
        VEK_FIELD(Global, MediaID, "id", Kind::Id),       VEK_TEXT(Global, Text, "text"),
        VEK_FIELD(Global, Value1, "value1", Kind::Integer), VEK_FIELD(Global, Value2, "value2", Kind::Integer),
        VEK_FIELD(Global, Value3, "value3", Kind::Integer), VEK_FIELD(Global, Value4, "value4", Kind::Integer),
        VEK_FIELD(Global, Real1, "real1", Kind::Real),      VEK_FIELD(Global, Real2, "real2", Kind::Real),
    };
    static inline const Field kPrinter[] = {
        VEK_TEXT(Printer, PrinterModel, "model"),
        VEK_FIELD(Printer, PrinterReal1, "printer-real1", Kind::Real),
        VEK_FIELD(Printer, PrinterReal2, "printer-real2", Kind::Real),
        VEK_TEXT(Printer, PrinterText1, "printer-text1"),
        VEK_TEXT(Printer, PrinterText2, "printer-text2"),
        VEK_TEXT(Printer, PrinterText3, "printer-text3"),
        VEK_TEXT(Printer, PrinterText4, "printer-text4"),
        VEK_FIELD(Printer, PrinterValue1, "printer-value1", Kind::Integer),
        VEK_FIELD(Printer, PrinterValue2, "printer-value2", Kind::Integer),
    };
    static inline const Field kEntryGlobal[] = {
        VEK_FIELD(Entry, MediaID, "id", Kind::Id),       VEK_TEXT(Entry, Text, "text"),
        VEK_FIELD(Entry, Value1, "value1", Kind::Integer), VEK_FIELD(Entry, Value2, "value2", Kind::Integer),
        VEK_FIELD(Entry, Value3, "value3", Kind::Integer), VEK_FIELD(Entry, Value4, "value4", Kind::Integer),
        VEK_FIELD(Entry, Real1, "real1", Kind::Real),      VEK_FIELD(Entry, Real2, "real2", Kind::Real),
    };
    static inline const Field kEntryPrinter[] = {
        VEK_FIELD(Entry, PrinterReal1, "printer-real1", Kind::Real),
        VEK_FIELD(Entry, PrinterReal2, "printer-real2", Kind::Real),
        VEK_TEXT(Entry, PrinterText1, "printer-text1"),
        VEK_TEXT(Entry, PrinterText2, "printer-text2"),
        VEK_TEXT(Entry, PrinterText3, "printer-text3"),
        VEK_TEXT(Entry, PrinterText4, "printer-text4"),
        VEK_FIELD(Entry, PrinterValue1, "printer-value1", Kind::Integer),
        VEK_FIELD(Entry, PrinterValue2, "printer-value2", Kind::Integer),
    };

    static HRESULT List(Catalog& c, Array* out) { return c.GetMedia(out); }
    static HRESULT Potential(Catalog& c, const WCHAR* model, Array* out) { return c.GetPotentialMedia(model, out); }
    static Entry* Entries(const Array& a) { return a.Media; }
    static HRESULT GetGlobal(Catalog& c, uint32_t id, Global* out) { return c.GetMediaCharacteristics(id, out); }
    static HRESULT GetPrinter(Catalog& c, uint32_t id, const WCHAR* model, Printer* out) {
        return c.GetPrinterMediaCharacteristics(id, model, out);
    }
    static HRESULT GetPrinters(Catalog& c, uint32_t id, uint32_t& count, Printer** out) {
        return c.GetPrinterMediaCharacteristics(id, count, out);
    }
    static HRESULT SetGlobal(Catalog& c, const Global* record) { return c.SetMediaCharacteristics(record); }
    static HRESULT SetPrinter(Catalog& c, uint32_t id, const Printer* record) {
        return c.SetPrinterMediaCharacteristics(id, record);
    }
    static HRESULT DeleteGlobal(Catalog& c, uint32_t id) { return c.DeleteMediaCharacteristics(id); }
    static HRESULT DeletePrinter(Catalog& c, uint32_t id, const WCHAR* model) {
        return c.DeletePrinterMediaCharacteristics(id, model);
    }
};

#undef VEK_FIELD
#undef VEK_TEXT

// The command line after the catalog's name: the action, its positional
// arguments, --json, and --NAME VALUE options.
struct Arguments {
    std::string action;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool json = false;
};

bool Parse(const std::vector<std::string>& args, Arguments& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            out.json = true;
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out.options[arg.substr(2)] = args[++i];
        } else if (out.action.empty()) {
            out.action = arg;
        } else {
            out.positional.push_back(arg);
        }
    }
    if (out.action.empty()) error = "missing action (ls, show, set, rm or potential)";
    return !out.action.empty();
}

bool ParseId(const std::string& text, uint32_t& id) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || value > UINT32_MAX) return false;
    id = static_cast<uint32_t>(value);
    return true;
}

std::u16string TextOf(const BYTE* record, const Field& field) {
    const auto* text = reinterpret_cast<const WCHAR*>(record + field.offset);
    size_t length = 0;
    while (length < field.units && text[length] != 0) ++length;
    return std::u16string(text, length);
}

// Stores value into the field; false (with a reason) when it does not fit.
bool SetField(BYTE* record, const Field& field, const std::string& value, std::string& error) {
    char* end = nullptr;
    errno = 0;
    switch (field.kind) {
        case Kind::Id:
            error = "the id is given as the first argument";
            return false;
        case Kind::Integer: {
            const long long number = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != 0 || errno != 0 || number < INT32_MIN || number > INT32_MAX) {
                error = "--" + std::string(field.name) + " needs a 32-bit integer";
                return false;
            }
            const auto stored = static_cast<int32_t>(number);
            std::memcpy(record + field.offset, &stored, sizeof stored);
            return true;
        }
        case Kind::Real: {
            const float number = std::strtof(value.c_str(), &end);
            if (value.empty() || *end != 0) {
                error = "--" + std::string(field.name) + " needs a number";
                return false;
            }
            std::memcpy(record + field.offset, &number, sizeof number);
            return true;
        }
        case Kind::Text: {
            const std::u16string text = vek::Utf8ToUtf16(value);
            if (text.size() > field.units) {
                error = "--" + std::string(field.name) + " holds at most " + std::to_string(field.units) +
                        " UTF-16 units";
                return false;
            }
            auto* out = reinterpret_cast<WCHAR*>(record + field.offset);
            std::fill(out, out + field.units, u'\0');
            std::copy(text.begin(), text.end(), out);
            return true;
        }
    }
    return false;
}

// The field's value as a JSON value (texts as JSON strings).
void WriteValue(JsonWriter& json, const BYTE* record, const Field& field) {
    switch (field.kind) {
        case Kind::Id: {
            uint32_t id;
            std::memcpy(&id, record + field.offset, sizeof id);
            json.Integer(id);
            return;
        }
        case Kind::Integer: {
            int32_t value;
            std::memcpy(&value, record + field.offset, sizeof value);
            json.Integer(value);
            return;
        }
        case Kind::Real: {
            float value;
            std::memcpy(&value, record + field.offset, sizeof value);
            json.Real(value);
            return;
        }
        case Kind::Text:
            json.String(vek::Utf16ToUtf8(TextOf(record, field)));
            return;
    }
}

void WriteJsonFields(JsonWriter& json, const BYTE* record, std::span<const Field> fields) {
    for (const Field& field : fields) {
        json.Key(field.name);
        WriteValue(json, record, field);
    }
}

// "name=value" pairs on one line, values written as in JSON.
std::string TextFields(const BYTE* record, std::span<const Field> fields) {
    std::string line;
    for (const Field& field : fields) {
        JsonWriter value;
        WriteValue(value, record, field);
        if (!line.empty()) line += "  ";
        line += field.name;
        line += '=';
        line += value.text();
    }
    return line;
}

template <class Record>
const BYTE* Bytes(const Record& record) {
    return reinterpret_cast<const BYTE*>(&record);
}

template <class C>
int StatusFailure(const char* what, HRESULT status) {
    char code[16];
    std::snprintf(code, sizeof code, "%#" PRIx32, static_cast<uint32_t>(status));
    return vekcfg::Fail(C::kCommand, std::string(what) + " (status " + code + ")");
}

template <class C>
int UsageError(const std::string& error) {
    return vekcfg::Usage(C::kCommand, error);
}

// Prints a listing; the entries' printer-model fields only when asked.
template <class C>
void PrintEntries(const typename C::Array& array, bool printerFields, bool json) {
    JsonWriter out;
    out.BeginArray();
    for (uint32_t i = 0; i < array.Count; ++i) {
        const BYTE* entry = Bytes(C::Entries(array)[i]);
        if (json) {
            out.BeginObject();
            WriteJsonFields(out, entry, C::kEntryGlobal);
            if (printerFields) WriteJsonFields(out, entry, C::kEntryPrinter);
            out.EndObject();
            continue;
        }
        std::string line = TextFields(entry, C::kEntryGlobal);
        if (printerFields) line += "  " + TextFields(entry, C::kEntryPrinter);
        std::printf("%s\n", line.c_str());
    }
    out.EndArray();
    if (json) std::printf("%s\n", out.text().c_str());
}

template <class C>
int List(typename C::Catalog* catalog, const Arguments& args) {
    typename C::Array array = {};
    if (catalog != nullptr) {
        const HRESULT status = C::List(*catalog, &array);
        if (FAILED(status)) return StatusFailure<C>("cannot list the catalog", status);
    }
    PrintEntries<C>(array, false, args.json);
    CoTaskMemFree(C::Entries(array));
    return 0;
}

template <class C>
int Potential(typename C::Catalog* catalog, const Arguments& args) {
    if (args.positional.size() != 1) return UsageError<C>("potential needs one printer model");
    typename C::Array array = {};
    if (catalog != nullptr) {
        const std::u16string model = vek::Utf8ToUtf16(args.positional[0]);
        const HRESULT status = C::Potential(*catalog, model.c_str(), &array);
        if (FAILED(status)) return StatusFailure<C>("cannot list the catalog", status);
    }
    PrintEntries<C>(array, true, args.json);
    CoTaskMemFree(C::Entries(array));
    return 0;
}

template <class C>
int Show(typename C::Catalog* catalog, uint32_t id, const Arguments& args) {
    typename C::Global global;
    if (catalog == nullptr || FAILED(C::GetGlobal(*catalog, id, &global)))
        return vekcfg::Fail(C::kCommand, std::string("no ") + C::kNoun + " " + std::to_string(id) + " in " + C::kFile);
    uint32_t count = 0;
    typename C::Printer* printers = nullptr;
    C::GetPrinters(*catalog, id, count, &printers);
    if (args.json) {
        JsonWriter out;
        out.BeginObject();
        WriteJsonFields(out, Bytes(global), C::kGlobal);
        out.Key("printers");
        out.BeginArray();
        for (uint32_t i = 0; i < count; ++i) {
            out.BeginObject();
            WriteJsonFields(out, Bytes(printers[i]), C::kPrinter);
            out.EndObject();
        }
        out.EndArray();
        out.EndObject();
        std::printf("%s\n", out.text().c_str());
    } else {
        std::printf("%s\n", TextFields(Bytes(global), C::kGlobal).c_str());
        for (uint32_t i = 0; i < count; ++i)
            std::printf("  %s\n", TextFields(Bytes(printers[i]), C::kPrinter).c_str());
    }
    CoTaskMemFree(printers);
    return 0;
}

// Applies every --NAME VALUE option to the record's fields (the first field,
// the key, excepted); false with a reason for an unknown name or a bad value.
bool ApplyOptions(BYTE* record, std::span<const Field> fields, const Arguments& args, std::string& error) {
    for (const auto& [name, value] : args.options) {
        if (name == "model" && fields[0].kind == Kind::Text) continue;
        const Field* field = nullptr;
        for (const Field& candidate : fields)
            if (name == candidate.name) field = &candidate;
        if (field == nullptr) {
            error = "unknown option --" + name;
            return false;
        }
        if (!SetField(record, *field, value, error)) return false;
    }
    return true;
}

// Creates the file of a catalog that Run found missing, then stores.
template <class C>
int Store(typename C::Catalog& catalog, bool open, const std::function<HRESULT()>& store, const char* what) {
    if (!open) {
        const HRESULT created = catalog.Create();
        if (FAILED(created)) return StatusFailure<C>("cannot create the catalog", created);
    }
    const HRESULT status = store();
    return FAILED(status) ? StatusFailure<C>(what, status) : 0;
}

// Builds the record from the stored one (if any) and the options, and only
// then touches the file, so that bad options change nothing.
template <class C>
int Set(typename C::Catalog& catalog, bool open, uint32_t id, const Arguments& args) {
    std::string error;
    const auto model = args.options.find("model");
    if (model == args.options.end()) {
        typename C::Global record = {};
        if (!open || FAILED(C::GetGlobal(catalog, id, &record))) record = {};
        std::memcpy(&record, &id, sizeof id);  // the key leads every global record
        if (!ApplyOptions(reinterpret_cast<BYTE*>(&record), C::kGlobal, args, error)) return UsageError<C>(error);
        return Store<C>(catalog, open, [&] { return C::SetGlobal(catalog, &record); }, "cannot store the record");
    }
    typename C::Printer record = {};
    const std::u16string name = vek::Utf8ToUtf16(model->second);
    if (!open || FAILED(C::GetPrinter(catalog, id, name.c_str(), &record))) record = {};
    if (!SetField(reinterpret_cast<BYTE*>(&record), C::kPrinter[0], model->second, error)) return UsageError<C>(error);
    if (!ApplyOptions(reinterpret_cast<BYTE*>(&record), C::kPrinter, args, error)) return UsageError<C>(error);
    return Store<C>(catalog, open, [&] { return C::SetPrinter(catalog, id, &record); },
                    "cannot store the printer-model record (a model name must have 1 to 31 characters and "
                    "none of \\ / : !)");
}

template <class C>
int Remove(typename C::Catalog* catalog, uint32_t id, const Arguments& args) {
    const auto model = args.options.find("model");
    if (args.options.size() > (model == args.options.end() ? 0u : 1u)) return UsageError<C>("rm takes only --model");
    if (catalog == nullptr) return StatusFailure<C>("no such record", STG_E_FILENOTFOUND);
    HRESULT status;
    if (model == args.options.end()) {
        status = C::DeleteGlobal(*catalog, id);
    } else {
        const std::u16string name = vek::Utf8ToUtf16(model->second);
        status = C::DeletePrinter(*catalog, id, name.c_str());
    }
    return FAILED(status) ? StatusFailure<C>("cannot remove the record (is it there?)", status) : 0;
}

template <class C>
int Run(const std::vector<std::string>& argv) {
    Arguments args;
    std::string error;
    if (!Parse(argv, args, error)) return UsageError<C>(error);
    const bool listing = args.action == "ls" || args.action == "potential";
    const bool byId = args.action == "show" || args.action == "set" || args.action == "rm";
    if (!listing && !byId) return UsageError<C>("unknown action '" + args.action + "'");
    if (args.action != "set" && args.action != "rm" && !args.options.empty())
        return UsageError<C>("unknown option --" + args.options.begin()->first);
    uint32_t id = 0;
    if (byId && (args.positional.size() != 1 || !ParseId(args.positional[0], id)))
        return UsageError<C>(args.action + " needs one id from 0 to 4294967295");

    // A missing catalog lists as empty; set creates it.
    typename C::Catalog catalog;
    const HRESULT status = catalog.Open();
    const bool missing = status == STG_E_FILENOTFOUND;
    if (FAILED(status) && !missing) return StatusFailure<C>("cannot open the catalog", status);
    typename C::Catalog* open = missing ? nullptr : &catalog;

    if (args.action == "ls") return List<C>(open, args);
    if (args.action == "potential") return Potential<C>(open, args);
    if (args.action == "show") return Show<C>(open, id, args);
    if (args.action == "set") return Set<C>(catalog, !missing, id, args);
    return Remove<C>(open, id, args);
}

}  // namespace

int RunDonor(const std::vector<std::string>& args) { return Run<DonorCatalog>(args); }
int RunMedia(const std::vector<std::string>& args) { return Run<MediaCatalog>(args); }

extern const char* const kDonorHelp =
         "usage: vekcfg donor ACTION [ARGS] [--json]\n"
         "  ls                         every donor's global record, ascending id\n"
         "  show ID                    one donor with its printer-model records (newest first)\n"
         "  set ID [--text T] [--value1 N] [--value2 N] [--value3 N] [--real1 X] [--real2 X]\n"
         "                             add or change a donor's global record (unnamed fields keep their values)\n"
         "  set ID --model M [--printer-text T]\n"
         "                             add or change the record of printer model M (1 to 31 characters)\n"
         "  rm ID [--model M]          remove a donor with all its records, or one printer-model record\n"
         "  potential MODEL            the donors that have a record for MODEL (exact, case included)\n"
         "ids are 0 to 4294967295; the catalog is VekDonor.cfg in the configuration root.\n"
         "examples:\n"
         "  vekcfg donor set 10 --text 'Ribbon K' --value1 3\n"
         "  vekcfg donor set 10 --model P-200 --printer-text 'black only'\n"
         "  vekcfg donor potential P-200 --json";

extern const char* const kMediaHelp =
         "usage: vekcfg media ACTION [ARGS] [--json]\n"
         "  ls                         every medium's global record, ascending id\n"
         "  show ID                    one medium with its printer-model records (newest first)\n"
         "  set ID [--text T] [--value1..4 N] [--real1 X] [--real2 X]\n"
         "                             add or change a medium's global record (unnamed fields keep their values)\n"
         "  set ID --model M [--printer-real1 X] [--printer-real2 X] [--printer-text1..4 T]\n"
         "         [--printer-value1 N] [--printer-value2 N]\n"
         "                             add or change the record of printer model M (1 to 31 characters)\n"
         "  rm ID [--model M]          remove a medium with all its records, or one printer-model record\n"
         "  potential MODEL            the media that have a record for MODEL (exact, case included)\n"
         "ids are 0 to 4294967295; the catalog is VekMedia.cfg in the configuration root.\n"
         "examples:\n"
         "  vekcfg media set 7 --text 'Glossy A4' --value4 210\n"
         "  vekcfg media set 7 --model P-200 --printer-text3 'tray 2'\n"
         "  vekcfg media potential P-200";

}  // namespace vekcfg
