#include "Platform/Data/OraQuery.h"

#include "Platform/Data/SqlText.h"

// ---------------------------------------------------------------------------
// TMacros

TMacro& TMacros::Items(int index) {
    if (index < 0 || index >= Count())
        throw EDatabaseError(QStringLiteral("Macro index %1 out of range").arg(index));
    return *FItems[static_cast<size_t>(index)];
}

const TMacro& TMacros::Items(int index) const { return const_cast<TMacros*>(this)->Items(index); }

TMacro* TMacros::FindMacro(const QString& name) {
    for (const auto& m : FItems)
        if (m->Name().compare(name, Qt::CaseInsensitive) == 0) return m.get();
    return nullptr;
}

const TMacro* TMacros::FindMacro(const QString& name) const {
    return const_cast<TMacros*>(this)->FindMacro(name);
}

TMacro& TMacros::MacroByName(const QString& name) {
    if (TMacro* m = FindMacro(name)) return *m;
    throw EDatabaseError(QStringLiteral("Macro '%1' not found").arg(name));
}

TMacro& TMacros::Add(const QString& name) {
    if (TMacro* m = FindMacro(name)) return *m;
    FItems.push_back(std::make_unique<TMacro>(name));
    return *FItems.back();
}

// ---------------------------------------------------------------------------
// TOraQuery

struct TOraQuery::TCallBlock : SqlText::TCallBlock {};

TOraQuery::TOraQuery(QObject* parent) : TOraDataSet(parent) {}

TOraQuery::~TOraQuery() = default;

void TOraQuery::SetSQL(const QStringList& lines) {
    Close();
    Unprepare();
    FSQL = lines;
    Rescan();
}

void TOraQuery::SetSQLText(const QString& text) { SetSQL(text.split(u'\n')); }

void TOraQuery::Rescan() {
    const SqlText::TScan scan = SqlText::Scan(SQLText());

    TMacros macros;
    for (const QString& name : scan.Macros) {
        TMacro& m = macros.Add(name);
        if (const TMacro* old = FMacros.FindMacro(name)) {
            m.SetValue(old->Value());
            m.SetActive(old->Active());
        }
    }
    FMacros = std::move(macros);

    const TParams old = Params();
    Params().Clear();
    for (const QString& name : scan.Params) {
        if (const TParam* p = old.FindParam(name))
            Params().CreateParam(name, p->DataType(), p->ParamType()).SetValue(p->Value());
        else
            Params().CreateParam(name);
    }
}

QString TOraQuery::FinalSQL() const {
    return SqlText::ExpandMacros(SQLText(), [this](const QString& name) -> std::optional<QString> {
        const TMacro* m = FMacros.FindMacro(name);
        if (!m) return std::nullopt;
        if (!m->Active()) return QString();
        // The schema is spliced into the text as a name: only a plain identifier may go
        // there, bare or in double quotes.
        if (name.compare(QLatin1String("shema"), Qt::CaseInsensitive) == 0) {
            const QString& v = m->Value();
            const bool quoted = v.size() > 2 && v.startsWith(u'"') && v.endsWith(u'"');
            CheckSchemaName(quoted ? v.mid(1, v.size() - 2) : v);
        }
        return m->Value();
    });
}

bool TOraQuery::IsPLSQL() const {
    const QString word = SqlText::FirstWord(SQLText());
    return word == QLatin1String("BEGIN") || word == QLatin1String("DECLARE");
}

std::optional<TOraQuery::TCallBlock> TOraQuery::RecogniseCall(const QString& finalSql) const {
    auto parsed = SqlText::ParseCallBlock(finalSql);
    if (!parsed) return std::nullopt;
    TCallBlock block;
    static_cast<SqlText::TCallBlock&>(block) = std::move(*parsed);
    return block;
}

const TRoutineDesc& TOraQuery::Describe(const TCallBlock& block) {
    IDbConnection& db = Db();
    const QString schema = block.Name.size() == 3 ? block.Name[0] : UsedSession().UserName();
    const QString& package = block.Name[block.Name.size() - 2];
    const QString& routine = block.Name.back();
    auto same = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    if (FDescribed && same(FDescribed->Schema, schema) && same(FDescribed->Package, package) &&
        same(FDescribed->Routine, routine))
        return *FDescribed;
    CheckSchemaName(schema);
    FDescribed = std::make_unique<TRoutineDesc>(db.Describe(schema, package, routine));
    return *FDescribed;
}

std::optional<TRowSet> TOraQuery::RunCall(const TCallBlock& block) {
    const TRoutineDesc desc = Describe(block);
    const QString qualified = block.Name.join(u'.');
    auto wrongArguments = [&] {
        return EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("line 1, column 7:\nPLS-00306: wrong number or types of arguments in "
                           "call to '%1'")
                .arg(desc.Routine),
            this);
    };
    if (!block.ResultParam.isEmpty() && !desc.IsFunction())
        throw EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("PLS-00222: no function with name '%1' exists in this scope")
                .arg(qualified),
            this);
    if (block.ResultParam.isEmpty() && desc.IsFunction())
        throw EOraError::Make(
            OraCode::NoSuchRoutine,
            QStringLiteral("PLS-00221: '%1' is not a procedure or is undefined").arg(qualified),
            this);

    // The routine's arguments in order (the result is not one of them).
    std::vector<const TParamDesc*> formal;
    for (const auto& p : desc.Params)
        if (p.Direction != TParamDirection::Result) formal.push_back(&p);

    std::vector<TBoundValue> inputs;
    std::vector<std::pair<QString, QString>> outputs;  // routine parameter -> query parameter
    size_t position = 0;
    for (const auto& arg : block.Arguments) {
        const TParamDesc* target = nullptr;
        if (arg.Name.isEmpty()) {
            if (position >= formal.size()) throw wrongArguments();
            target = formal[position++];
        } else {
            for (const TParamDesc* p : formal)
                if (p->Name.compare(arg.Name, Qt::CaseInsensitive) == 0) target = p;
            if (!target) throw wrongArguments();
        }
        if (target->Type == TFieldType::Cursor)
            continue;  // the rows come back as the call's cursor
        if (target->Direction == TParamDirection::Output ||
            target->Direction == TParamDirection::InputOutput) {
            if (arg.ParamRef.isEmpty())
                throw wrongArguments();  // an output needs a parameter to land in
            outputs.emplace_back(target->Name, arg.ParamRef);
        }
        if (target->Direction == TParamDirection::Output) continue;
        TBoundValue value{target->Name, arg.Literal, target->Type};
        if (!arg.ParamRef.isEmpty()) {
            const TParam& p = Params().ParamByName(arg.ParamRef);
            value.Value = p.Value();
            if (p.DataType() != TFieldType::Unknown) value.Type = p.DataType();
        }
        inputs.push_back(std::move(value));
    }

    const TCallResult result = Db().Call(desc, inputs);
    if (!block.ResultParam.isEmpty())
        Params().ParamByName(block.ResultParam).SetValue(result.Value(desc.Params.front().Name));
    for (const auto& [routineParam, queryParam] : outputs)
        Params().ParamByName(queryParam).SetValue(result.Value(routineParam));
    return result.Cursor;
}

TRowSet TOraQuery::InternalOpen() {
    return Guarded([this]() -> TRowSet {
        const QString sql = FinalSQL();
        if (SqlText::StripComments(sql).trimmed().isEmpty())
            Fail(QStringLiteral("No SQL statement"));
        if (const auto block = RecogniseCall(sql)) {
            SetPrepared(true);
            auto rows = RunCall(*block);
            return rows ? *rows : TRowSet{};
        }
        const QString word = SqlText::FirstWord(sql);
        // No engine runs anonymous blocks: a block must be one routine call.
        if (word == QLatin1String("BEGIN") || word == QLatin1String("DECLARE"))
            throw EOraError::Make(OraCode::NoSuchRoutine,
                                  QStringLiteral("PLS-00103: a block must consist of one "
                                                 "routine call:\n%1")
                                      .arg(sql.trimmed()),
                                  this);
        IDbConnection& db = Db();
        SetPrepared(true);
        const std::vector<TBoundValue> values = UsedValues(sql);
        if (word == QLatin1String("SELECT") || word == QLatin1String("WITH"))
            return db.Query(sql, values);
        FRowsAffected = db.Execute(sql, values);
        return TRowSet{};
    });
}

void TOraQuery::ExecSQL() {
    Guarded([this] {
        Close();
        const QString sql = FinalSQL();
        const auto block = RecogniseCall(sql);
        if (block) {
            SetPrepared(true);
            if (auto rows = RunCall(*block)) SetRows(*rows);
            return;
        }
        const QString word = SqlText::FirstWord(sql);
        if (word == QLatin1String("SELECT") || word == QLatin1String("WITH")) {
            SetRows(InternalOpen());
            return;
        }
        InternalOpen();
    });
}

std::vector<TBoundValue> TOraQuery::UsedValues(const QString& finalSql) const {
    // Bind only what the statement names: an inactive macro may have taken a
    // parameter reference away with it.
    const QStringList used = SqlText::Scan(finalSql).Params;
    std::vector<TBoundValue> values;
    for (const TBoundValue& v : Params().BoundValues())
        if (used.contains(v.Name, Qt::CaseInsensitive)) values.push_back(v);
    return values;
}

void TOraQuery::Prepare() {
    // Macros may have changed since the last time: prepare again, and a failure
    // leaves the query unprepared.
    SetPrepared(false);
    Guarded([this] {
        IDbConnection& db = Db();
        const QString sql = FinalSQL();
        if (const auto block = RecogniseCall(sql)) {
            Describe(*block);
        } else {
            const QString word = SqlText::FirstWord(sql);
            if (word == QLatin1String("SELECT") || word == QLatin1String("WITH")) {
                // The statement as a derived table that yields no row: the server
                // checks it and names its columns. A trailing ';' cannot stay inside.
                QString body = SqlText::StripComments(sql).trimmed();
                while (body.endsWith(u';')) body = body.chopped(1).trimmed();
                const TRowSet shape = db.Query(
                    QStringLiteral("SELECT * FROM (\n%1\n) QXV_SHAPE WHERE 1 = 0").arg(body),
                    UsedValues(sql));
                DefineFields(shape.Columns);
            }
        }
        SetPrepared(true);
    });
}

void TOraQuery::Unprepare() {
    FDescribed.reset();
    TOraDataSet::Unprepare();
}
