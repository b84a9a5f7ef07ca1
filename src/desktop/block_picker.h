// The picker of the two-block PLS's blocks: the study's points listed with the
// block each is in, picked as rows (Shift-click a range) and made block 1 or 2,
// which writes the Blocks box ("1-12 | 13-40").
#pragma once

#include <QWidget>
#include <vector>

class QLabel;
class QTreeWidget;

namespace velmora {

class BlockPicker : public QWidget {
  Q_OBJECT

 public:
  explicit BlockPicker(QWidget* parent = nullptr);
  /// Lists `points` points (0: no sample loaded).
  void set_points(int points);
  /// Shows the blocks of a Blocks box text, as far as it reads.
  void set_blocks(const QString& text);
  QTreeWidget* list() const { return list_; }
  /// Makes the picked points block 1 or 2 (the other block keeps its other points).
  void use_as(int block);

 signals:
  /// The Blocks box text with the block just chosen.
  void blocks_chosen(const QString& text);

 private:
  void show_blocks();

  QTreeWidget* list_;
  QLabel* note_;
  QString first_, second_;  // the two blocks as the box has them
};

/// "1-12, 15": point numbers (from 1) as ranges, in order, once each.
QString point_ranges(std::vector<int> points);

/// The point numbers of one block's text ("1-12, 15"), as far as it reads.
std::vector<int> points_of(const QString& block);

}  // namespace velmora
