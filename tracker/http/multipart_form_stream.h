// TMultipartFormStream: a multipart/form-data request body made of named text fields.
// A read-only stream of known length whose bytes are produced one field at a time as they
// are read; the whole body is never held at once.
//
//   TMultipartFormStream body;                 // fixes the boundary from the local clock
//   body.AddTextField("artist", artist);
//   request Content-Type: body.FormContentType; Content-Length: body.Size()
//   body.Rewind(); then Read(...) until it returns 0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"

class TMultipartFormStream {
public:
    // The boundary: "--------" and the creation time as "mmddyyhhnnsszzz", counted up past
    // any that a field's name or value holds.
    TMultipartFormStream();
    explicit TMultipartFormStream(const platform::LocalDateTime& created);

    // "multipart/form-data; boundary=" and the boundary.
    const std::string& FormContentType() const { return contentType_; }
    const std::string& Boundary() const { return boundary_; }

    // Appends a field; name and value are sent byte for byte, nothing escaped. Fields are
    // added before the body is read: a field that holds the boundary changes it.
    void AddTextField(const std::string& name, const std::string& value);

    // The body's whole length in bytes; known before any byte is read.
    std::int64_t Size() const;
    // Hands out up to `count` bytes; fewer only at the end of the body, 0 after it.
    std::size_t Read(void* buffer, std::size_t count);
    // The next Read starts again at the body's first byte.
    void Rewind();

private:
    std::string FieldBlock(const std::pair<std::string, std::string>& field) const;
    std::string ClosingLine() const;

    std::string boundary_;
    std::string contentType_;
    std::vector<std::pair<std::string, std::string>> fields_;
    std::int64_t totalSize_ = 0;

    // Where reading stands: the next field to render, and what is rendered but not handed out.
    std::size_t nextField_ = 0;
    std::string pending_;
    std::size_t pendingStart_ = 0;
    bool closingQueued_ = false;
};
