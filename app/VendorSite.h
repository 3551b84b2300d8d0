#pragma once
// The vendor's web addresses (a reserved example domain until the program has a home).
namespace VendorSite {
inline constexpr const char* Site = "https://www.quillbox.example";
inline constexpr const char* HomePage = "https://www.quillbox.example/";
inline constexpr const char* NavigationPage = "/navigate.php";
}  // namespace VendorSite
