// IKtRecordset over materialised rows.  It follows the ADO client cursor the
// library was written against: RecordCount is exact, a filter narrows the
// visible rows and moves to the first of them, and operations on a closed
// recordset fail with ADO's error 3704.
#include "recordset.h"

#include <cctype>
#include <limits>
#include <optional>
#include <vector>

#include "base/vbtext.h"
#include "com_object.h"

namespace kt::suite {
namespace {

constexpr char kComponent[] = "Recordset";
constexpr HRESULT kClosed = KT_HRESULT_FROM_VB(3704);
constexpr char kClosedText[] = "Operation is not allowed when the object is closed.";
constexpr char kNoRowText[] =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
    "current "
    "record.";
constexpr char kNoItemText[] =
    "Item cannot be found in the collection corresponding to the requested name or ordinal.";

HRESULT ToVariant(const Value& v, VARIANT* out) {
  switch (v.type) {
    case Value::Type::kInteger:
      if (v.integer >= std::numeric_limits<LONG>::min() && v.integer <= std::numeric_limits<LONG>::max()) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(v.integer);
      } else {
        out->vt = VT_R8;
        out->dblVal = static_cast<double>(v.integer);
      }
      return S_OK;
    case Value::Type::kReal:
      out->vt = VT_R8;
      out->dblVal = v.real;
      return S_OK;
    case Value::Type::kText:
    case Value::Type::kBlob: {
      BSTR b = v.type == Value::Type::kText
                   ? Utf8ToBstr(v.text)
                   : SysAllocStringByteLen(v.text.data(), static_cast<UINT>(v.text.size()));
      if (b == nullptr) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      out->bstrVal = b;
      return S_OK;
    }
    case Value::Type::kNull:
      break;
  }
  out->vt = VT_NULL;
  return S_OK;
}

std::optional<double> NumericValue(const Value& v) {
  switch (v.type) {
    case Value::Type::kInteger:
      return static_cast<double>(v.integer);
    case Value::Type::kReal:
      return v.real;
    case Value::Type::kText:
      return base::ParseNumber(v.text);
    default:
      return std::nullopt;
  }
}

// "column = number": the column name and the number, or nullopt.
struct Criterion {
  std::string column;
  double number;
};
std::optional<Criterion> ParseFilter(std::string_view text) {
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  std::string_view name = text.substr(0, eq);
  while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
  while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  if (name.empty()) return std::nullopt;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
  }
  const std::optional<double> number = base::ParseNumber(text.substr(eq + 1));
  if (!number) return std::nullopt;
  return Criterion{std::string(name), *number};
}

class Recordset final : public ComObject<IKtRecordset, IID_IKtRecordset> {
 public:
  Recordset() = default;
  explicit Recordset(RowSet rows) : rows_(std::move(rows)), open_(true) { ShowAll(); }

  HRESULT get_State(LONG* state) override {
    if (state == nullptr) return E_POINTER;
    *state = open_ ? 1 : 0;
    return S_OK;
  }

  HRESULT Close() override {
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    open_ = false;
    rows_ = RowSet{};
    visible_.clear();
    current_ = 0;
    return S_OK;
  }

  HRESULT get_RecordCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    *count = static_cast<LONG>(visible_.size());
    return S_OK;
  }

  HRESULT MoveFirst() override {
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    current_ = 0;
    return S_OK;
  }

  HRESULT MoveNext() override {
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    if (current_ >= visible_.size()) return Fail(KT_E_NO_CURRENT_ROW, kComponent, kNoRowText);
    ++current_;
    return S_OK;
  }

  HRESULT get_EOF(VARIANT_BOOL* eof) override {
    if (eof == nullptr) return E_POINTER;
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    *eof = current_ >= visible_.size() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  HRESULT get_Field(BSTR name, VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    const std::string wanted = BstrToUtf8(name);
    const std::optional<size_t> column = FindColumn(wanted);
    if (!column) return Fail(KT_E_ITEM_NOT_FOUND, kComponent, std::string(kNoItemText) + " (" + wanted + ")");
    if (current_ >= visible_.size()) return Fail(KT_E_NO_CURRENT_ROW, kComponent, kNoRowText);
    VariantClear(value);
    return ToVariant(rows_.rows[visible_[current_]][*column], value);
  }

  HRESULT put_Filter(BSTR filter) override {
    if (!open_) return Fail(kClosed, kComponent, kClosedText);
    const std::string text = BstrToUtf8(filter);
    if (text.find_first_not_of(" \t") == std::string::npos) {
      ShowAll();
      return S_OK;
    }
    const std::optional<Criterion> criterion = ParseFilter(text);
    if (!criterion) {
      return Fail(E_INVALIDARG, kComponent,
                  "The filter \"" + text + "\" is not supported; use \"column = number\" or \"\".");
    }
    const std::optional<size_t> column = FindColumn(criterion->column);
    if (!column) {
      return Fail(E_INVALIDARG, kComponent,
                  "The filter \"" + text + "\" names a column the recordset does not have.");
    }
    visible_.clear();
    for (size_t i = 0; i < rows_.rows.size(); ++i) {
      const std::optional<double> v = NumericValue(rows_.rows[i][*column]);
      if (v && *v == criterion->number) visible_.push_back(i);
    }
    current_ = 0;
    return S_OK;
  }

 private:
  void ShowAll() {
    visible_.resize(rows_.rows.size());
    for (size_t i = 0; i < visible_.size(); ++i) visible_[i] = i;
    current_ = 0;
  }

  // The first column of that name, compared without regard to case.
  std::optional<size_t> FindColumn(std::string_view name) const {
    for (size_t i = 0; i < rows_.columns.size(); ++i) {
      if (base::EqualsNoCase(rows_.columns[i], name)) return i;
    }
    return std::nullopt;
  }

  RowSet rows_;
  bool open_ = false;
  std::vector<size_t> visible_;  // indexes into rows_.rows passing the filter
  size_t current_ = 0;           // position in visible_; == size() at EOF
};

}  // namespace

IKtRecordset* NewOpenRecordset(RowSet rows) {
  return new Recordset(std::move(rows));
}

IKtRecordset* NewClosedRecordset() {
  return new Recordset();
}

HRESULT CreateRecordset(REFIID riid, void** ppv) {
  return CreateAndQuery<Recordset>(riid, ppv);
}

}  // namespace kt::suite
