#pragma once
// The kinds of message rule, where each kind is kept, and the captions a rule is shown with.
#include <string_view>

namespace rules {

// From and Subject look at the two texts the list shows; Header at any field the header has.
enum class RuleKind { From, Subject, Header };

// Registry keys below HKEY_CURRENT_USER, one per kind. The header key is read only by versions
// that know header-field rules, so a rule set stays readable by earlier ones: they see their two
// keys as they always were.
inline constexpr std::string_view kFromKey = "Software\\quillbox\\delList\\from";
inline constexpr std::string_view kSubjectKey = "Software\\quillbox\\delList\\subject";
inline constexpr std::string_view kHeaderKey = "Software\\quillbox\\delList\\header";

inline constexpr std::string_view RuleKeyPath(RuleKind kind)
{
    return kind == RuleKind::From ? kFromKey : kind == RuleKind::Subject ? kSubjectKey : kHeaderKey;
}

// Captions of the rule dialogs; a display line is made of them (see RulesFile.h).
inline constexpr std::string_view kCondFrom = "Where from line";
inline constexpr std::string_view kCondSubject = "Where subject";
inline constexpr std::string_view kCondHeader = "Where header field";
inline constexpr std::string_view kModeContains = "Contains";
inline constexpr std::string_view kModeNotContains = "Doesnot contain";
inline constexpr std::string_view kActionDelete = "Delete message from the server";

}  // namespace rules
