#pragma once
// The capacity of the run state. Input beyond these limits is refused where
// it enters (the parameter and structure readers), never written past.

namespace vk {

constexpr int kFirstWeek = -4;
constexpr int kLastWeek = 800;
constexpr int kMaxNdiv = 40;
constexpr int kMaxPopsize = 200;
constexpr int kMaxWeights = 100;
constexpr int kMaxStage1Groups = 20;
constexpr int kMaxStage2Groups = 10;
constexpr int kMaxGroupMembers = 10;
constexpr int kFactorCount = 17;
constexpr int kDataFactorCount = 14;
constexpr int kMaxLoadingRows = 10;
constexpr int kMaxLoadingCols = 20;

}  // namespace vk
