// The maker's texts and addresses, and the names of the window's resources.
#pragma once

namespace ui {

inline constexpr const char* kAuthorshipNotice = "Quillon by the Quillon developers";
inline constexpr const char* kMakerAddress = "http://quillon.example/";
inline constexpr const char* kProjectAddress = "http://quillon.example/project/";
// A donation page of the payment service: the maker's account, the product, the currency.
inline constexpr const char* kDonationAddress =
    "https://www.paypal.com/cgi-bin/webscr?cmd=_donations&business=donate%40quillon.example"
    "&item_name=Quillon&currency_code=USD";

inline constexpr const char* kIconResource = "MAINICON";
inline constexpr const char* kDonationPictureResource = "DONATE";

}  // namespace ui
