#include "tags/frame_ids.h"

#include <algorithm>
#include <utility>

namespace tags {
namespace {

using IdPair = std::pair<std::string_view, std::string_view>;

// Sorted by the version 2 id.
constexpr IdPair kVersion2Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"},
    {"ETC", "ETCO"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
    {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
    {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
    {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
    {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"},
    {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"}, {"TSP", "TSOP"},
    {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
    {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"},
    {"WPB", "WPUB"}, {"WXX", "WXXX"}};

// Versions 3 and 4 together, sorted: a frame of the other version in a tag is still a frame.
constexpr std::string_view kVersion3And4Ids[] = {
    "AENC", "APIC", "ASPI", "COMM", "COMR", "ENCR", "EQU2", "EQUA", "ETCO", "GEOB", "GRID",
    "GRP1", "IPLS", "LINK", "MCDI", "MLLT", "MVIN", "MVNM", "OWNE", "PCNT", "PCST", "POPM",
    "POSS", "PRIV", "RBUF", "RVA2", "RVAD", "RVRB", "SEEK", "SIGN", "SYLT", "SYTC", "TALB",
    "TBPM", "TCAT", "TCMP", "TCOM", "TCON", "TCOP", "TDAT", "TDEN", "TDES", "TDLY", "TDOR",
    "TDRC", "TDRL", "TDTG", "TENC", "TEXT", "TFLT", "TGID", "TIME", "TIPL", "TIT1", "TIT2",
    "TIT3", "TKEY", "TKWD", "TLAN", "TLEN", "TMCL", "TMED", "TMOO", "TOAL", "TOFN", "TOLY",
    "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS", "TPRO", "TPUB", "TRCK",
    "TRDA", "TRSN", "TRSO", "TSIZ", "TSO2", "TSOA", "TSOC", "TSOP", "TSOT", "TSRC", "TSSE",
    "TSST", "TXXX", "TYER", "UFID", "USER", "USLT", "WCOM", "WCOP", "WFED", "WOAF", "WOAR",
    "WOAS", "WORS", "WPAY", "WPUB", "WXXX"};

static_assert(std::ranges::is_sorted(kVersion2Ids, {}, &IdPair::first));
static_assert(std::ranges::is_sorted(kVersion3And4Ids));

}  // namespace

bool IsKnownFrameId(std::uint8_t version, std::string_view id) {
    if (version == 2) return id == "CRM" || id == "LNK" || !Version3Id(id).empty();
    return std::ranges::binary_search(kVersion3And4Ids, id);
}

std::string_view Version3Id(std::string_view id) {
    const auto found = std::ranges::lower_bound(kVersion2Ids, id, {}, &IdPair::first);
    return found != std::end(kVersion2Ids) && found->first == id ? found->second : std::string_view();
}

}  // namespace tags
