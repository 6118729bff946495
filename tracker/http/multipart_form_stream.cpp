#include "tracker/http/multipart_form_stream.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// `value` in `width` decimal digits, zeros in front.
void AppendDigits(std::string& text, unsigned long long value, int width) {
    std::string digits(static_cast<std::size_t>(width), '0');
    for (auto digit = digits.rbegin(); digit != digits.rend() && value > 0; ++digit, value /= 10)
        *digit = static_cast<char>('0' + value % 10);
    text += digits;
}

std::string BoundaryAt(const platform::LocalDateTime& t) {
    std::string boundary = "--------";
    for (int field : {t.month, t.day, t.year, t.hour, t.minute, t.second})
        AppendDigits(boundary, field % 100, 2);
    AppendDigits(boundary, t.millisecond % 1000, 3);
    return boundary;
}

// The next boundary of the same form: its fifteen digits counted up by one.
std::string NextBoundary(const std::string& boundary) {
    constexpr unsigned long long kDigitsRange = 1000000000000000ULL;  // 10^15
    const unsigned long long number = std::stoull(boundary.substr(8)) + 1;
    std::string next = "--------";
    AppendDigits(next, number % kDigitsRange, 15);
    return next;
}

}  // namespace

TMultipartFormStream::TMultipartFormStream() : TMultipartFormStream(platform::LocalNow()) {}

TMultipartFormStream::TMultipartFormStream(const platform::LocalDateTime& created)
    : boundary_(BoundaryAt(created)),
      contentType_("multipart/form-data; boundary=" + boundary_) {}

std::string TMultipartFormStream::FieldBlock(
    const std::pair<std::string, std::string>& field) const {
    return "--" + boundary_ + "\r\nContent-Disposition: form-data; name=\"" + field.first +
           "\"\r\n\r\n" + field.second + "\r\n";
}

std::string TMultipartFormStream::ClosingLine() const { return "--" + boundary_ + "--\r\n"; }

void TMultipartFormStream::AddTextField(const std::string& name, const std::string& value) {
    fields_.emplace_back(name, value);
    // A field holding the boundary would end its part early on the server's side. Each field
    // holds only so many 23-byte texts, so the search ends; the length stays the same.
    while (std::any_of(fields_.begin(), fields_.end(), [&](const auto& field) {
        return field.first.find(boundary_) != std::string::npos ||
               field.second.find(boundary_) != std::string::npos;
    })) {
        boundary_ = NextBoundary(boundary_);
        contentType_ = "multipart/form-data; boundary=" + boundary_;
    }
    // The block's length without building it: 49 fixed bytes around boundary, name and value.
    totalSize_ += static_cast<std::int64_t>(49 + boundary_.size() + name.size() + value.size());
}

std::int64_t TMultipartFormStream::Size() const {
    return totalSize_ + static_cast<std::int64_t>(ClosingLine().size());
}

std::size_t TMultipartFormStream::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t handed = 0;
    while (handed < count) {
        const bool pendingEmpty = pendingStart_ == pending_.size();
        if (pendingEmpty && nextField_ == fields_.size() && closingQueued_) break;
        if (pendingEmpty && nextField_ < fields_.size()) {
            pending_ = FieldBlock(fields_[nextField_++]);
            pendingStart_ = 0;
        }
        const std::size_t piece = std::min(count - handed, pending_.size() - pendingStart_);
        std::memcpy(out + handed, pending_.data() + pendingStart_, piece);
        pendingStart_ += piece;
        handed += piece;
        if (nextField_ == fields_.size() && !closingQueued_) {
            pending_.erase(0, pendingStart_);
            pending_ += ClosingLine();
            pendingStart_ = 0;
            closingQueued_ = true;
        }
    }
    return handed;
}

void TMultipartFormStream::Rewind() {
    nextField_ = 0;
    pending_.clear();
    pendingStart_ = 0;
    closingQueued_ = false;
}
