#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The menu control array mnuDisplayMode: elements addressed by 16-bit index, each with a
// caption ("-" shows as a separator) and a tick. Element 0 exists from the start.
class MenuArray {
 public:
  struct Element {
    std::u16string caption;
    bool checked = false;
  };

  MenuArray() : elements_{{u"--", false}} {}

  int16_t UBound() const { return static_cast<int16_t>(elements_.size() - 1); }
  // Loads element `index`, which must be the next one: visible, enabled and unticked.
  void Load(int16_t index);

  const std::u16string& Caption(int16_t index) const { return At(index).caption; }
  void SetCaption(int16_t index, std::u16string caption) { At(index).caption = std::move(caption); }
  bool Checked(int16_t index) const { return At(index).checked; }
  void SetChecked(int16_t index, bool checked) { At(index).checked = checked; }

  const std::vector<Element>& Elements() const { return elements_; }

 private:
  Element& At(int16_t index);
  const Element& At(int16_t index) const;
  std::vector<Element> elements_;
};
