// Stored objects: values by slot, writes through the owning context, relationships, text sets as JSON.
#include "platform/store/ManagedObject.h"

#include "platform/foundation/Log.h"
#include "platform/store/Context.h"

#include <algorithm>

namespace store {

namespace {
const Value nullValue;
const std::string emptyText;
} // namespace

const std::string& ManagedObject::textRef(int slot) const {
    const auto* text = std::get_if<std::string>(&value(slot));
    return text ? *text : emptyText;
}

ManagedObject::~ManagedObject() {
    if (context_)
        context_->unregister(this);
}

const Value& ManagedObject::value(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= values_.size())
        return nullValue;
    return values_[static_cast<size_t>(slot)];
}

const Value& ManagedObject::value(std::string_view name) const {
    return entity_ ? value(entity_->slot(name)) : nullValue;
}

bool ManagedObject::refuseDetached(std::string_view what) const {
    if (context_ && context_->writable(*this))
        return false;
    foundation::log("Cannot change " + std::string(what) + " of a " +
                    (entity_ ? entity_->name : "stored object") + " that is no longer in its context (" +
                    (deleted_ ? "deleted" : "detached") + ")");
    return true;
}

bool ManagedObject::setValue(int slot, Value v) {
    if (slot < 0 || static_cast<size_t>(slot) >= values_.size())
        return false;
    if (refuseDetached(entity_->slotName(slot)))
        return false;
    values_[static_cast<size_t>(slot)] = std::move(v);
    context_->updateSlot(*this, slot);
    return true;
}

bool ManagedObject::setValue(std::string_view name, Value v) {
    return entity_ && setValue(entity_->slot(name), std::move(v));
}

std::shared_ptr<ManagedObject> ManagedObject::toOne(int slot) const {
    auto id = asInt(value(slot));
    if (!id || !context_ || !entity_->isToOneSlot(slot))
        return nullptr;
    int target = context_->schema().entityIndex(entity_->toOneAt(slot).target);
    return context_->existingObjectWithID({target, *id});
}

bool ManagedObject::setToOne(int slot, const ManagedObject* target) {
    if (slot < 0 || !entity_->isToOneSlot(slot))
        return false;
    return setValue(slot, target ? Value(target->id_) : Value());
}

std::vector<std::shared_ptr<ManagedObject>> ManagedObject::toMany(std::string_view name) const {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || !context_)
        return {};
    FetchRequest request;
    request.entity = r->target;
    if (r->linkTable.empty()) {
        request.predicate = quoted(r->inverse) + " = ?";
    } else {
        request.predicate = "\"id\" IN (SELECT " + quoted(r->target) + " FROM " + quoted(r->linkTable) +
                            " WHERE " + quoted(entity_->name) + " = ?)";
    }
    request.arguments = {Value(id_)};
    request.sortDescriptors = {{"id", true}};
    return context_->executeFetchRequest(request);
}

bool ManagedObject::addToMany(std::string_view name, ManagedObject& target) {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || refuseDetached(name))
        return false;
    if (r->linkTable.empty())
        return target.setToOne(target.entity().slot(r->inverse), this);
    context_->record("INSERT OR IGNORE INTO " + quoted(r->linkTable) + " (" + quoted(entity_->name) + ", " +
                         quoted(r->target) + ") VALUES (?, ?)",
                     {Value(id_), Value(target.id_)});
    return true;
}

bool ManagedObject::removeFromMany(std::string_view name, ManagedObject& target) {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || refuseDetached(name))
        return false;
    if (r->linkTable.empty()) {
        int slot = target.entity().slot(r->inverse);
        if (asInt(target.value(slot)) != id_)
            return false;
        return target.setToOne(slot, nullptr);
    }
    context_->record("DELETE FROM " + quoted(r->linkTable) + " WHERE " + quoted(entity_->name) + " = ? AND " +
                         quoted(r->target) + " = ?",
                     {Value(id_), Value(target.id_)});
    return true;
}

std::vector<std::string> ManagedObject::textSetAt(int slot) const {
    auto text = textAt(slot);
    return text ? decodeTextSet(*text) : std::vector<std::string>{};
}

bool ManagedObject::setTextSet(int slot, const std::vector<std::string>& texts) {
    return setValue(slot, Value(encodeTextSet(texts)));
}

std::string encodeTextSet(const std::vector<std::string>& texts) {
    std::vector<std::string> sorted(texts);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::string out = "[";
    for (const auto& t : sorted) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        for (unsigned char c : t) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
        out += '"';
    }
    return out + "]";
}

namespace {
void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool hex4(std::string_view s, size_t at, uint32_t& v) {
    if (at + 4 > s.size())
        return false;
    v = 0;
    for (size_t i = at; i < at + 4; ++i) {
        char c = s[i];
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            v |= static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v |= static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
    }
    return true;
}
} // namespace

// Reads the arrays written above and by SQL tools (json_array); anything else gives what was read so far.
std::vector<std::string> decodeTextSet(std::string_view json) {
    std::vector<std::string> out;
    size_t i = json.find('[');
    if (i == std::string_view::npos)
        return out;
    while (true) {
        i = json.find_first_of("\"]", i + 1);
        if (i == std::string_view::npos || json[i] == ']')
            return out;
        std::string text;
        for (++i; i < json.size() && json[i] != '"'; ++i) {
            if (json[i] != '\\') {
                text += json[i];
                continue;
            }
            if (++i >= json.size())
                return out;
            switch (json[i]) {
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            case 'b':
                text += '\b';
                break;
            case 'f':
                text += '\f';
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!hex4(json, i + 1, cp))
                    return out;
                i += 4;
                if (cp >= 0xD800 && cp < 0xDC00 && i + 6 < json.size() + 0 && json[i + 1] == '\\' &&
                    json[i + 2] == 'u') {
                    uint32_t low = 0;
                    if (hex4(json, i + 3, low) && low >= 0xDC00 && low < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        i += 6;
                    }
                }
                appendUtf8(text, cp);
                break;
            }
            default:
                text += json[i];
            }
        }
        if (i >= json.size())
            return out;
        out.push_back(std::move(text));
    }
}

} // namespace store
