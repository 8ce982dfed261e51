#include "platform/poom/restriction.h"

#include <algorithm>

#include "platform/datetime.h"
#include "platform/text.h"

namespace moru::poom::detail {
namespace {

char16_t Lower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : text_(text) {}

    ParsedRestriction Run() {
        Restriction result;
        SkipSpaces();
        while (true) {
            RestrictionClause clause;
            if (!Clause(clause)) {
                return Fail();
            }
            result.clauses.push_back(clause);
            const size_t beforeSpaces = pos_;
            SkipSpaces();
            if (AtEnd()) {
                return {std::move(result), {}};
            }
            if (pos_ == beforeSpaces || !Word(u"and") || !SkipSpaces()) {
                if (error_.empty()) {
                    error_ = "expected \"and\" between clauses";
                }
                return Fail();
            }
        }
    }

private:
    ParsedRestriction Fail() {
        ParsedRestriction failed;
        failed.error = error_ + " at character " + std::to_string(pos_ + 1);
        return failed;
    }

    // True when only an optional line feed is left.
    bool AtEnd() const {
        return pos_ == text_.size() || (pos_ + 1 == text_.size() && text_[pos_] == u'\n');
    }

    bool SkipSpaces() {
        const size_t start = pos_;
        while (pos_ < text_.size() && (text_[pos_] == u' ' || text_[pos_] == u'\t')) {
            ++pos_;
        }
        return pos_ > start;
    }

    bool Word(std::u16string_view word) {
        if (text_.size() - pos_ < word.size() ||
            !EqualsIgnoringCase(text_.substr(pos_, word.size()), word)) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    bool Clause(RestrictionClause& clause) {
        if (Word(u"[Start]")) {
            clause.field = RestrictionField::Start;
        } else if (Word(u"[End]")) {
            clause.field = RestrictionField::End;
        } else {
            error_ = "expected [Start] or [End]";
            return false;
        }
        SkipSpaces();
        // Two-character operators first, so that ">=" is not read as ">".
        static constexpr std::pair<std::u16string_view, RestrictionOp> kOps[] = {
            {u">=", RestrictionOp::GreaterEqual}, {u"<=", RestrictionOp::LessEqual},
            {u"<>", RestrictionOp::NotEqual},     {u">", RestrictionOp::Greater},
            {u"<", RestrictionOp::Less},          {u"=", RestrictionOp::Equal},
        };
        bool found = false;
        for (const auto& [text, op] : kOps) {
            if (Word(text)) {
                clause.op = op;
                found = true;
                break;
            }
        }
        if (!found) {
            error_ = "expected one of >= <= > < = <>";
            return false;
        }
        SkipSpaces();
        return Date(clause.day);
    }

    bool Number(size_t minDigits, size_t maxDigits, int& value) {
        size_t digits = 0;
        value = 0;
        while (pos_ < text_.size() && digits < maxDigits && text_[pos_] >= u'0' &&
               text_[pos_] <= u'9') {
            value = value * 10 + (text_[pos_] - u'0');
            ++pos_;
            ++digits;
        }
        const bool moreDigits = pos_ < text_.size() && text_[pos_] >= u'0' && text_[pos_] <= u'9';
        return digits >= minDigits && !moreDigits;
    }

    bool Date(int64_t& day) {
        int month = 0, dayOfMonth = 0, year = 0;
        const bool shaped = Number(1, 2, month) && Word(u"/") && Number(1, 2, dayOfMonth) &&
                            Word(u"/") && Number(4, 4, year);
        if (!shaped) {
            error_ = "expected a date as M/d/yyyy";
            return false;
        }
        if (year < kMinYear || !IsValidDate(year, month, dayOfMonth)) {
            error_ = "no such date";
            return false;
        }
        day = DayNumber(year, month, dayOfMonth);
        return true;
    }

    std::u16string_view text_;
    size_t pos_ = 0;
    std::string error_;
};

bool Compare(int64_t value, RestrictionOp op, int64_t bound) {
    switch (op) {
        case RestrictionOp::GreaterEqual:
            return value >= bound;
        case RestrictionOp::LessEqual:
            return value <= bound;
        case RestrictionOp::Greater:
            return value > bound;
        case RestrictionOp::Less:
            return value < bound;
        case RestrictionOp::Equal:
            return value == bound;
        case RestrictionOp::NotEqual:
            return value != bound;
    }
    return false;
}

DayRange RangeOf(const std::vector<RestrictionClause>& clauses, RestrictionField field) {
    DayRange range;
    for (const RestrictionClause& c : clauses) {
        if (c.field != field) {
            continue;
        }
        switch (c.op) {
            case RestrictionOp::GreaterEqual:
                range.first = std::max(range.first, c.day);
                break;
            case RestrictionOp::Greater:
                range.first = std::max(range.first, c.day + 1);
                break;
            case RestrictionOp::LessEqual:
                range.last = std::min(range.last, c.day);
                break;
            case RestrictionOp::Less:
                range.last = std::min(range.last, c.day - 1);
                break;
            case RestrictionOp::Equal:
                range.first = std::max(range.first, c.day);
                range.last = std::min(range.last, c.day);
                break;
            case RestrictionOp::NotEqual:
                break;
        }
    }
    return range;
}

}  // namespace

bool Restriction::Matches(int64_t startSeconds, int64_t endSeconds) const {
    const int64_t startDay = StartDayOf(startSeconds);
    const int64_t endDay = EndDayOf(startSeconds, endSeconds);
    return std::all_of(clauses.begin(), clauses.end(), [&](const RestrictionClause& c) {
        return Compare(c.field == RestrictionField::Start ? startDay : endDay, c.op, c.day);
    });
}

DayRange Restriction::StartDays() const {
    return RangeOf(clauses, RestrictionField::Start);
}
DayRange Restriction::EndDays() const {
    return RangeOf(clauses, RestrictionField::End);
}

ParsedRestriction ParseRestriction(std::u16string_view text) {
    return Parser(text).Run();
}

}  // namespace moru::poom::detail
