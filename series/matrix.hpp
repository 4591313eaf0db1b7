// Column-major years-by-series matrix sized to the data set at hand.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <span>
#include <vector>

#include "platform/bounds.hpp"
#include "platform/large_buffer.hpp"

namespace qb {

// Rows are years (series-relative or calendar rows, as the owner says),
// columns are series. Indices are 0-based: row 0 is the first row.
class Matrix {
 public:
  Matrix() = default;
  Matrix(int rows, int cols, float fill = kMissing)
      : rows_(rows), cols_(cols), data_(static_cast<std::size_t>(rows) * cols, fill) {}

  int rows() const { return rows_; }
  int cols() const { return cols_; }

  float& operator()(int row, int col) {
    assert(row >= 0 && row < rows_ && col >= 0 && col < cols_);
    return data_[static_cast<std::size_t>(col) * rows_ + row];
  }
  float operator()(int row, int col) const {
    assert(row >= 0 && row < rows_ && col >= 0 && col < cols_);
    return data_[static_cast<std::size_t>(col) * rows_ + row];
  }

  std::span<float> column(int col) {
    assert(col >= 0 && col < cols_);
    return {data_.data() + static_cast<std::size_t>(col) * rows_, static_cast<std::size_t>(rows_)};
  }
  std::span<const float> column(int col) const {
    assert(col >= 0 && col < cols_);
    return {data_.data() + static_cast<std::size_t>(col) * rows_, static_cast<std::size_t>(rows_)};
  }

  void fill(float value) { std::fill(data_.begin(), data_.end(), value); }
  // Every value set to `fill`; the storage is kept when it is large enough.
  void resize(int rows, int cols, float fill = kMissing) {
    rows_ = rows;
    cols_ = cols;
    data_.assign(static_cast<std::size_t>(rows) * cols, fill);
  }
  // More rows at the end of every column, set to `fill`; the values stay.
  void add_rows(int rows, float fill = kMissing) {
    if (rows <= rows_) return;
    const std::size_t old_rows = static_cast<std::size_t>(rows_);
    const std::size_t new_rows = static_cast<std::size_t>(rows);
    data_.resize(new_rows * cols_);
    // From the last column down, so that no column is overwritten before it
    // moves.
    for (int col = cols_ - 1; col >= 0; --col) {
      const auto from = data_.begin() + static_cast<std::ptrdiff_t>(col * old_rows);
      const auto to = data_.begin() + static_cast<std::ptrdiff_t>(col * new_rows);
      std::copy_backward(from, from + static_cast<std::ptrdiff_t>(old_rows), to + static_cast<std::ptrdiff_t>(old_rows));
      std::fill(to + static_cast<std::ptrdiff_t>(old_rows), to + static_cast<std::ptrdiff_t>(new_rows), fill);
    }
    rows_ = rows;
  }

 private:
  int rows_ = 0;
  int cols_ = 0;
  std::vector<float, LargeBufferAllocator<float>> data_;
};

}  // namespace qb
