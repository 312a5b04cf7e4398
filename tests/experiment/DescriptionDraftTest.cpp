// The description writer: what a form holds, written as TOML and read back
// by the description's own reader, and typed text that must not get into the
// file as it is.
#include <string>

#include <gtest/gtest.h>

#include "experiment/DescriptionDraft.h"
#include "io/RunError.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

class DescriptionDraftTest : public ::testing::Test {
 protected:
  // Writes the draft as sweep.toml beside the inputs and reads it back.
  Description written(const DescriptionDraft& draft) {
    inputs.description(descriptionText(draft, inputs.dir.path().string()));
    return readDescription(inputs.dir.file("sweep.toml"));
  }

  std::string refusal(const DescriptionDraft& draft) {
    try {
      descriptionText(draft, inputs.dir.path().string());
    } catch (const RunError& e) {
      return e.what();
    }
    ADD_FAILURE() << "written";
    return "";
  }

  DescriptionDraft draft() const {
    DescriptionDraft d;
    d.inputs = inputs.dir.file("in");
    return d;
  }

  static DraftEntry list(const std::string& name, std::vector<std::string> values) {
    DraftEntry e;
    e.name = name;
    e.values = std::move(values);
    return e;
  }

  static DraftEntry range(const std::string& name, const std::string& from, const std::string& to, int steps) {
    DraftEntry e;
    e.name = name;
    e.isRange = true;
    e.from = from;
    e.to = to;
    e.steps = steps;
    return e;
  }

  testing::ExperimentInputs inputs;
};

TEST_F(DescriptionDraftTest, AGridReadsBackWithItsValuesSeedsAndOrder) {
  DescriptionDraft d = draft();
  d.mode = "write";
  d.vary = {list("popsize", {"12", " 16 "}), range("delta", "0.003", "0.006", 3),
            list("wdata", {"wdata.txt", inputs.dir.file("in/wdata-plain.txt")})};
  d.seeds = "0, 17, 42";
  d.keep = OutputKeep::Summaries;
  const Description r = written(d);
  EXPECT_EQ(r.inputs, inputs.dir.file("in"));
  EXPECT_EQ(r.mode, "write");
  ASSERT_EQ(r.vary.size(), 3u);
  EXPECT_EQ(r.vary[0].name, "popsize");
  EXPECT_EQ(r.vary[0].numbers, (std::vector<double>{12, 16}));
  EXPECT_TRUE(r.vary[1].isRange);
  EXPECT_EQ(r.vary[1].from, 0.003);
  EXPECT_EQ(r.vary[1].to, 0.006);
  EXPECT_EQ(r.vary[1].steps, 3);
  // Files below the inputs are written relative to them, so the folder can move.
  EXPECT_EQ(r.vary[2].names, (std::vector<std::string>{"wdata.txt", "wdata-plain.txt"}));
  EXPECT_EQ(r.seeds, (std::vector<ExperimentSeed>{0, 17, 42}));
  EXPECT_EQ(r.keep, OutputKeep::Summaries);
  EXPECT_NE(inputs.dir.read("sweep.toml").find("inputs = \"in\"\n"), std::string::npos);
}

TEST_F(DescriptionDraftTest, ASampledDesignKeepsItsSamplesAndSeed) {
  DescriptionDraft d = draft();
  d.vary = {range("popsize", "10", "20", 0), range("gap2", "0.1", "0.4", 0)};
  d.seeds = "3";
  d.design = DesignKind::LatinHypercube;
  d.samples = 8;
  d.designSeed = "7";
  const Description r = written(d);
  EXPECT_EQ(r.design, DesignKind::LatinHypercube);
  EXPECT_EQ(r.samples, 8);
  EXPECT_EQ(r.designSeed, 7u);
  EXPECT_EQ(r.seeds, (std::vector<ExperimentSeed>{0, 1, 2}));
  EXPECT_EQ(r.vary[1].steps, 0);

  d.design = DesignKind::Morris;
  d.trajectories = 4;
  d.levels = 6;
  const Description m = written(d);
  EXPECT_EQ(m.trajectories, 4);
  EXPECT_EQ(m.levels, 6);
}

TEST_F(DescriptionDraftTest, ADescriptionReadIntoTheFormIsWrittenAsItWas) {
  inputs.description(
      "inputs = \"in\"\nwdata = \"wdata-plain.txt\"\n[vary]\ngap2 = [0.1, 0.25]\n"
      "market = [{ price = \"price.txt\", data = \"data.txt\", name = \"demo\" }]\n"
      "popsize = { from = 10, to = 30, steps = 2 }\n[replications]\nseeds = [4, 2]\n");
  const Description first = readDescription(inputs.dir.file("sweep.toml"));
  const DescriptionDraft d = draftOf(first);
  EXPECT_EQ(d.wdata, "wdata-plain.txt");
  EXPECT_EQ(d.price, "");
  EXPECT_EQ(d.vary[0].values, (std::vector<std::string>{"0.1", "0.25"}));
  EXPECT_EQ(d.vary[2].from, "10");
  EXPECT_EQ(d.seeds, "4, 2");
  const std::string text = descriptionText(d, inputs.dir.path().string());
  const Description again = written(d);
  EXPECT_EQ(descriptionText(draftOf(again), inputs.dir.path().string()), text);
  EXPECT_EQ(again.vary[1].markets[0].name, "demo");
  EXPECT_EQ(again.vary[1].markets[0].price, first.vary[1].markets[0].price);
  EXPECT_EQ(again.wdata, first.wdata);
  EXPECT_EQ(again.vary[0].numbers, first.vary[0].numbers);
}

TEST_F(DescriptionDraftTest, TypedTextNeverReachesTheFileRaw) {
  DescriptionDraft d = draft();
  d.vary = {list("gap2", {"0.1", "0.2]\n[design]\nkind = \"lhs"})};
  EXPECT_NE(refusal(d).find("vary.gap2: '0.2]"), std::string::npos) << refusal(d);
  d.vary = {list("gap2", {"0;5"})};
  EXPECT_NE(refusal(d).find("is not a number"), std::string::npos);
  d.vary = {range("delta", "0.003", "", 2)};
  EXPECT_NE(refusal(d).find("vary.delta.to"), std::string::npos);
  d.vary = {list("pop size", {"1"})};
  EXPECT_NE(refusal(d).find("no parameter name"), std::string::npos);
  d.vary = {list("popsize", {})};
  EXPECT_NE(refusal(d).find("lists no value"), std::string::npos);
  d.vary = {};
  d.seeds = "2, -1";
  EXPECT_NE(refusal(d).find("'-1' is not a whole number"), std::string::npos);
  d.seeds = " ";
  EXPECT_NE(refusal(d).find("seeds: give a count"), std::string::npos);
  d.seeds = "1";
  d.inputs = "";
  EXPECT_NE(refusal(d).find("inputs"), std::string::npos);
}

TEST_F(DescriptionDraftTest, InputsOutsideTheDescriptionsFolderStayAbsolute) {
  DescriptionDraft d = draft();
  const std::string text = descriptionText(d, inputs.dir.file("elsewhere"));
  EXPECT_NE(text.find("inputs = \"" + inputs.dir.file("in") + "\""), std::string::npos) << text;
}

}  // namespace
}  // namespace vk
