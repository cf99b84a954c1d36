#include "menu/menu_array.h"

#include "app/runtime_error.h"

void MenuArray::Load(int16_t index) {
  if (index != static_cast<int32_t>(elements_.size())) throw ProgramError(kErrBadControlIndex);
  elements_.push_back({});
}

MenuArray::Element& MenuArray::At(int16_t index) {
  if (index < 0 || index >= static_cast<int32_t>(elements_.size())) throw ProgramError(kErrBadControlIndex);
  return elements_[static_cast<size_t>(index)];
}

const MenuArray::Element& MenuArray::At(int16_t index) const {
  return const_cast<MenuArray*>(this)->At(index);
}
