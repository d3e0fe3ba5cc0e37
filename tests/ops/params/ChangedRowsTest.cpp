// The rows changed since the set was read: marked after an edit, none after reading again.
#include "ops/OpsSimTest.h"

#include "edit/CParameterRows.h"
#include "ops/params/CReadFlow.h"
#include "sim/CSimTagTable.h"

namespace {

class ChangedRowsTest : public OpsSimTest
{
protected:
    void SetUp() override
    {
        OpsSimTest::SetUp();
        if (HasFatalFailure())
            return;
        // A Tarn+ whose parameters are those of the bundled tag file.
        sim.WithModel([this](CSimModel& m) {
            m.SetIdentity(EControllerType::TarnPlus);
            SimTagTable::AddParameters(m, doc.Tags(), EControllerType::TarnPlus);
        });
    }

    SParameterRows Rows(bool changedOnly) const
    {
        SRowFilter filter;
        filter.changedOnly = changedOnly;
        filter.baseline = &doc.Baseline();
        return CParameterRows::Build(doc.Parameters(), doc.Tags(), 0, filter);
    }
};

} // namespace

TEST_F(ChangedRowsTest, AnEditMarksItsRowUntilTheNextRead)
{
    ASSERT_TRUE(CReadFlow::Run(doc).Complete());
    const int all = int(Rows(false).rows.size());
    ASSERT_GT(all, 4);
    EXPECT_TRUE(Rows(true).rows.empty()) << "nothing changed right after a read";

    // An edit in the editor, as the edit dialog leaves it.
    CParameter* record = doc.Parameters().FindParameter(0x0105);
    ASSERT_NE(record, nullptr);
    const quint16 read = record->value;
    record->value = read == record->minimum ? record->maximum : record->minimum;

    const SParameterRows changed = Rows(true);
    ASSERT_EQ(changed.rows.size(), 1u);
    EXPECT_EQ(changed.rows[0].tag, 0x0105);
    EXPECT_TRUE(changed.rows[0].changed);
    EXPECT_EQ(changed.groupRowCount, all);
    int marked = 0;
    for (const SParameterRow& row : Rows(false).rows)
        marked += row.changed;
    EXPECT_EQ(marked, 1);

    // Setting the value back unmarks it: the mark is a difference, not a history.
    record->value = read;
    EXPECT_TRUE(Rows(true).rows.empty());
    record->value = read == record->minimum ? record->maximum : record->minimum;

    // Reading again takes the controller's values as the new baseline.
    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"), IUserPrompt::EAnswer::No);
    ASSERT_TRUE(CReadFlow::Run(doc).Complete());
    EXPECT_EQ(doc.Parameters().FindParameter(0x0105)->value, read);
    EXPECT_TRUE(Rows(true).rows.empty());
}
