#pragma once
// The two kinds of message rule, where each kind is kept, and the captions a rule is shown with.
#include <string_view>

namespace rules {

enum class RuleKind { From, Subject };

// Registry keys below HKEY_CURRENT_USER, one per kind.
inline constexpr std::string_view kFromKey = "Software\\quillbox\\delList\\from";
inline constexpr std::string_view kSubjectKey = "Software\\quillbox\\delList\\subject";

inline constexpr std::string_view RuleKeyPath(RuleKind kind)
{
    return kind == RuleKind::From ? kFromKey : kSubjectKey;
}

// Captions of the rule dialogs; a display line is made of them (see RulesFile.h).
inline constexpr std::string_view kCondFrom = "Where from line";
inline constexpr std::string_view kCondSubject = "Where subject";
inline constexpr std::string_view kModeContains = "Contains";
inline constexpr std::string_view kModeNotContains = "Doesnot contain";
inline constexpr std::string_view kActionDelete = "Delete message from the server";

}  // namespace rules
