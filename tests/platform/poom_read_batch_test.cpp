// Reads gathered in one read transaction: they see one moment of the store (a write by another
// connection meanwhile is not seen until the batch ends), queries inside it still work, batches
// nest, and a write through the batch's own application is refused while it lives.
#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

std::shared_ptr<Application> LoggedOn() {
    auto created = Application::Create();
    EXPECT_TRUE(created.ok());
    EXPECT_TRUE((*created)->Logon().ok());
    return *created;
}

uint32_t Add(Application& app, std::u16string subject) {
    Appointment item = *app.CreateItem(kAppointmentItem);
    item.SetSubject(std::move(subject));
    item.SetStart(*MakeDate(2015, 3, 2, 9));
    item.SetEnd(*MakeDate(2015, 3, 2, 10));
    EXPECT_TRUE(item.Save().ok());
    return item.Oid();
}

TEST(ReadBatchTest, ReadsInsideSeeOneMomentAndWritesWaitForItsEnd) {
    test::TempDeviceRoot root;
    std::shared_ptr<Application> reader = LoggedOn();
    std::shared_ptr<Application> writer = LoggedOn();
    const uint32_t first = Add(*writer, u"first");
    {
        ReadBatch batch = reader->BeginReadBatch();
        ReadBatch inner = reader->BeginReadBatch();  // joins the outer one
        ASSERT_TRUE(reader->GetItemFromOid(first).ok());
        const uint32_t later = Add(*writer, u"later");
        EXPECT_FALSE(reader->GetItemFromOid(later).ok()) << "the batch's moment is kept";
        auto listed = reader->GetDefaultFolder(kCalendarFolder)
                          ->Query(u"[Start] >= 3/1/2015", Recurrences::Occurrences);
        ASSERT_TRUE(listed.ok());
        EXPECT_TRUE(listed->Item(1).has_value());
        EXPECT_FALSE(listed->Item(2).has_value());

        Appointment changed = *reader->GetItemFromOid(first);
        changed.SetSubject(u"changed");
        EXPECT_FALSE(changed.Save().ok()) << "no writes inside a batch";
    }
    auto all = reader->GetDefaultFolder(kCalendarFolder)
                   ->Query(u"[Start] >= 3/1/2015", Recurrences::Occurrences);
    ASSERT_TRUE(all.ok());
    EXPECT_TRUE(all->Item(2).has_value()) << "after the batch the store is current again";
    Appointment changed = *reader->GetItemFromOid(first);
    changed.SetSubject(u"changed");
    EXPECT_TRUE(changed.Save().ok());
}

TEST(ReadBatchTest, ABatchWithoutAStoreDoesNothing) {
    test::TempDeviceRoot root;
    auto created = Application::Create();
    ASSERT_TRUE(created.ok());
    ReadBatch batch = (*created)->BeginReadBatch();  // not logged on
    ReadBatch empty;
    empty = std::move(batch);
    SUCCEED();
}

}  // namespace
}  // namespace moru::poom
