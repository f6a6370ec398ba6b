#include "data/engine/row_set.h"

#include <cstring>

namespace corvex::db {

void RowSet::beginRow() {
    starts_.push_back(bytes_.size());
    deleted_.push_back(0);
    put_ = 0;
}

void RowSet::putTag(unsigned char tag) {
    bytes_ += static_cast<char>(tag);
    if (put_ < columns_ && tag != kNull) {
        Kind k = tag == kText ? Kind::Text : Kind::Number;
        Kind& have = kinds_[put_];
        have = have == Kind::Empty || have == k ? k : Kind::Mixed;
    }
    ++put_;
}

void RowSet::putVarint(std::uint64_t v) {
    while (v >= 0x80) {
        bytes_ += static_cast<char>((v & 0x7f) | 0x80);
        v >>= 7;
    }
    bytes_ += static_cast<char>(v);
}

namespace {

std::uint64_t zigzag(std::int64_t v) {
    return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}

std::int64_t unzigzag(std::uint64_t v) {
    return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

}  // namespace

void RowSet::putInt(std::int64_t v) {
    putTag(kInt);
    putVarint(zigzag(v));
}

void RowSet::putCurrency(Currency v) {
    putTag(kCurrency);
    putVarint(zigzag(v.units()));
}

void RowSet::putDouble(double v) {
    putTag(kDouble);
    char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    bytes_.append(b, sizeof v);
}

void RowSet::putText(std::string_view t) {
    putTag(kText);
    putVarint(t.size());
    bytes_.append(t.data(), t.size());
}

void RowSet::put(const Value& v) {
    if (const std::string* t = v.textIf())
        putText(*t);
    else if (const std::int64_t* i = v.intIf())
        putInt(*i);
    else if (const Currency* c = v.currencyIf())
        putCurrency(*c);
    else if (const double* d = v.doubleIf())
        putDouble(*d);
    else
        putNull();
}

void RowSet::appendRow(const Value* values) {
    beginRow();
    for (std::size_t c = 0; c < columns_; ++c) put(values[c]);
}

void RowSet::replaceRow(std::size_t r, const Value* values) {
    // The new encoding goes to the end; the old bytes are left unused.
    std::size_t start = bytes_.size();
    put_ = 0;
    for (std::size_t c = 0; c < columns_; ++c) put(values[c]);
    starts_[r] = start;
}

std::size_t RowSet::skip(std::size_t at) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes_.data());
    unsigned char tag = p[at++];
    switch (tag) {
        case kNull:
            return at;
        case kInt:
        case kCurrency:
            while (p[at] & 0x80) ++at;
            return at + 1;
        case kDouble:
            return at + sizeof(double);
        default: {
            std::uint64_t len = 0;
            int shift = 0;
            while (p[at] & 0x80) {
                len |= static_cast<std::uint64_t>(p[at++] & 0x7f) << shift;
                shift += 7;
            }
            len |= static_cast<std::uint64_t>(p[at++]) << shift;
            return at + len;
        }
    }
}

std::size_t RowSet::read(std::size_t at, Value& out) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes_.data());
    unsigned char tag = p[at++];
    auto varint = [&] {
        std::uint64_t v = 0;
        int shift = 0;
        while (p[at] & 0x80) {
            v |= static_cast<std::uint64_t>(p[at++] & 0x7f) << shift;
            shift += 7;
        }
        v |= static_cast<std::uint64_t>(p[at++]) << shift;
        return v;
    };
    switch (tag) {
        case kNull:
            out = Value();
            return at;
        case kInt:
            out = Value(unzigzag(varint()));
            return at;
        case kCurrency:
            out = Value(Currency::fromUnits(unzigzag(varint())));
            return at;
        case kDouble: {
            double d;
            std::memcpy(&d, p + at, sizeof d);
            out = Value(d);
            return at + sizeof d;
        }
        default: {
            std::size_t len = static_cast<std::size_t>(varint());
            out.setText(std::string_view(bytes_.data() + at, len));
            return at + len;
        }
    }
}

void RowSet::decode(std::size_t r, const std::vector<int>& columns, Value* out) const {
    std::size_t at = starts_[r];
    int c = 0;
    for (int want : columns) {
        for (; c < want; ++c) at = skip(at);
        at = read(at, out[want]);
        ++c;
    }
}

void RowSet::decodeRow(std::size_t r, Value* out) const {
    std::size_t at = starts_[r];
    for (std::size_t c = 0; c < columns_; ++c) at = read(at, out[c]);
}

void RowSet::cellOffsets(std::size_t r, std::vector<std::uint32_t>& out) const {
    out.resize(columns_);
    std::size_t at = starts_[r];
    for (std::size_t c = 0; c < columns_; ++c) {
        out[c] = static_cast<std::uint32_t>(at - starts_[r]);
        at = skip(at);
    }
}

void RowSet::decodeCell(std::size_t r, std::uint32_t offset, Value& out) const {
    read(starts_[r] + offset, out);
}

}  // namespace corvex::db
