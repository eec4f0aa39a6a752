#pragma once
// What a report needs from the rows it prints: a cursor that moves forward
// and the display text of a column of the current row by name.
#include <map>
#include <string>
#include <vector>

class TReportDataSet {
  public:
    virtual ~TReportDataSet() = default;
    virtual void First() = 0;
    virtual void Next() = 0;
    // True once the cursor has passed the last row (at once when there are none).
    virtual bool Eof() const = 0;
    // Display text of the named column of the current row; empty when the column
    // is missing, empty or null.
    virtual std::string FieldText(const std::string &name) const = 0;
    virtual int RecordCount() const = 0;
    // Brings whatever shows the rows (bound controls, a count) to the current
    // row: a run moves without telling them and calls this before events run.
    virtual void Sync() {}
};

// Rows held in memory, for tests and benchmarks.
class TMemoryDataSet : public TReportDataSet {
  public:
    using TRow = std::map<std::string, std::string>;
    TMemoryDataSet() = default;
    explicit TMemoryDataSet(std::vector<TRow> rows) : FRows(std::move(rows)) {}

    // Moving past the last row sets Eof and leaves the cursor on that row,
    // as the main query does.
    void First() override {
        FPos = 0;
        FEof = FRows.empty();
    }
    void Next() override {
        if (FPos + 1 < FRows.size())
            ++FPos;
        else
            FEof = true;
    }
    bool Eof() const override { return FEof; }
    std::string FieldText(const std::string &name) const override;
    int RecordCount() const override { return static_cast<int>(FRows.size()); }

    // Index of the current row.
    size_t Position() const { return FPos; }
    void MoveTo(size_t pos) {
        FPos = pos;
        FEof = pos >= FRows.size();
    }
    std::vector<TRow> &Rows() { return FRows; }

  private:
    std::vector<TRow> FRows;
    size_t FPos = 0;
    bool FEof = true;
};
