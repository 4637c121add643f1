#include "frame/variant.h"

namespace kt {

bool Variant::operator==(const Variant& o) const {
  if (type() != o.type()) return false;
  if (type() == Type::kArray) {
    // Arrays are shared by pointer; two values are equal when their
    // elements are, not only when they share storage.
    const auto& a = std::get<std::shared_ptr<VariantArray>>(v_);
    const auto& b = std::get<std::shared_ptr<VariantArray>>(o.v_);
    if (a == b) return true;
    if (!a || !b) return false;
    return a->allocated == b->allocated && a->lbound == b->lbound && a->items == b->items;
  }
  return v_ == o.v_;
}

}  // namespace kt
