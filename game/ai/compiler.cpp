#include "game/ai/compiler.h"

#include <cstring>

namespace {
// Guards against scripts nested so deeply (or with operator chains so long, since every binary
// operator groups to the right) that the parser would run out of stack.
constexpr int MAX_DEPTH = 4000;
// An import of itself would otherwise never end.
constexpr int MAX_IMPORT_DEPTH = 16;
} // namespace

class Compiler::Depth {
public:
    explicit Depth(Compiler& c) : c_(c) {
        if (++c_.depth_ > MAX_DEPTH) c_.Raise("Script nested too deeply");
    }
    ~Depth() { --c_.depth_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

private:
    Compiler& c_;
};

Compiler::Compiler(Code& code) : code_(code) { AddClass('\'', TOKEN_COMMENT); }

Compiler::~Compiler() = default;

void Compiler::AddConstant(const std::string& name, std::int32_t value) {
    constants_.push_back({name, value});
    registeredConstants_ = static_cast<int>(constants_.size());
}

bool Compiler::AddProcedure(const std::string& name, const std::string& parameters, BuiltInFunction function) {
    if (parameters.size() > static_cast<std::size_t>(BuiltInArgs::MAX_PARAMETERS)) return false;
    PROCEDURE_INFO p;
    p.name = name;
    p.parameterCount = static_cast<int>(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i] != '0' && parameters[i] != '1') return false;
        bool value = parameters[i] == '1';
        p.byValue.push_back(value);
        if (value) p.mark |= 1u << i;
    }
    p.mark |= 1u << p.parameterCount;
    p.level = 0;
    p.function = function;
    procedures_.push_back(std::move(p));
    registeredProcedures_ = static_cast<int>(procedures_.size());
    return true;
}

void Compiler::Raise(const std::string& text) {
    errorText_ = text;
    errorLine_ = LineNumber();
    throw CompileError{};
}

int Compiler::CompileFile(const std::string& fileName) {
    // A Code compiled before starts afresh, so that a failed compilation never leaves it valid.
    code_.Clear();
    position_ = 0;
    level_ = 0;
    variables_.clear();
    block_ = {0, static_cast<int>(procedures_.size())};
    blocks_.clear();
    loop_ = LOOP_INFO{};
    loops_.clear();
    temporariesInUse_ = 0;
    frameCells_.clear();
    importDepth_ = 0;
    depth_ = 0;
    errorText_.clear();
    errorLine_ = 0;
    errorFile_ = fileName;

    int result = 0;
    SetLineNumber(1);
    try {
        if (!Open(fileName)) Raise("Failed to open source file");
        Program();
        code_.SetValid(1);
        errorFile_.clear();
        result = 1;
    } catch (const CompileError&) {
        result = 0;
    }

    Close();
    position_ = 0;
    variables_.clear();
    constants_.resize(static_cast<std::size_t>(registeredConstants_));
    procedures_.resize(static_cast<std::size_t>(registeredProcedures_));
    return result;
}

// ---- tokens -------------------------------------------------------------------------------

void Compiler::Next() {
    if (NextToken() == 0) Raise(TokenText());
}

bool Compiler::IsPunct(char c) const {
    // A quoted string whose first character is punctuation is still a string.
    return (TokenClass() & TOKEN_PUNCTUATION) && !(TokenClass() & TOKEN_QUOTE) && TokenText()[0] == c;
}

bool Compiler::IsKeyword(const char* word) const { return IsName() && std::strcmp(TokenText(), word) == 0; }

std::int32_t Compiler::NumberValue() const {
    // Literals too large for a cell wrap like the machine's arithmetic.
    std::uint32_t v = 0;
    for (const char* p = TokenText(); *p >= '0' && *p <= '9'; ++p) v = v * 10u + static_cast<std::uint32_t>(*p - '0');
    return static_cast<std::int32_t>(v);
}

// ---- tables -------------------------------------------------------------------------------

int Compiler::FindVariable(const std::string& name) const {
    for (int i = static_cast<int>(variables_.size()) - 1; i >= 0; --i)
        if (variables_[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

int Compiler::FindConstant(const std::string& name) const {
    for (int i = static_cast<int>(constants_.size()) - 1; i >= 0; --i)
        if (constants_[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

int Compiler::FindProcedureNamed(const std::string& name) const {
    for (int i = static_cast<int>(procedures_.size()) - 1; i >= 0; --i)
        if (procedures_[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

int Compiler::FindProcedure(const std::string& name, int parameterCount) const {
    for (int i = static_cast<int>(procedures_.size()) - 1; i >= 0; --i) {
        const PROCEDURE_INFO& p = procedures_[static_cast<std::size_t>(i)];
        if (p.name == name && p.parameterCount == parameterCount) return i;
    }
    return -1;
}

bool Compiler::NameInUse(const std::string& name) const {
    return FindVariable(name) >= 0 || FindConstant(name) >= 0 || FindProcedureNamed(name) >= 0;
}

void Compiler::ReleaseProcedures(int mark) {
    for (std::size_t i = static_cast<std::size_t>(mark); i < procedures_.size(); ++i)
        if (procedures_[i].level == -1) Raise("Block contains prototype without body");
    procedures_.resize(static_cast<std::size_t>(mark));
}

// ---- code ---------------------------------------------------------------------------------

void Compiler::Emit(std::int32_t cell) {
    if (!code_.SetCell(position_, cell)) Raise("Script too large");
    ++position_;
}

std::int32_t Compiler::EmitJump(std::int32_t opcode) {
    Emit(opcode);
    Emit(0);
    return position_ - 1;
}

void Compiler::Complete(std::int32_t operandCell, std::int32_t target) { code_.SetCell(operandCell, target); }

void Compiler::EmitLoad(int v) {
    const VARIABLE_INFO& var = variables_[static_cast<std::size_t>(v)];
    if (var.level < level_) {
        Emit(var.kind == 1 ? OP_LOADUPREF : OP_LOADUP);
        Emit(var.level);
    } else {
        Emit(var.kind == 1 ? OP_LOADREF : OP_LOAD);
    }
    Emit(v);
}

void Compiler::EmitStore(int v) {
    const VARIABLE_INFO& var = variables_[static_cast<std::size_t>(v)];
    if (var.level < level_) {
        Emit(var.kind == 1 ? OP_STOREUPREF : OP_STOREUP);
        Emit(var.level);
    } else {
        Emit(var.kind == 1 ? OP_STOREREF : OP_STORE);
    }
    Emit(v);
}

void Compiler::EmitFrameRelative(std::int32_t cell) {
    if (level_ == 0) frameCells_.emplace_back(position_, static_cast<int>(variables_.size()));
    Emit(cell);
}

// ---- program and global objects -----------------------------------------------------------

void Compiler::Program() {
    Next();
    if (!IsName()) Raise("Illegal script name");
    Next();
    if (!IsPunct('{')) Raise("Missing open bracket");
    Next();
    while (!IsPunct('}')) {
        GlobalObject();
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }

    // Temporaries and frames of top-level code were placed above the variables declared so far;
    // top-level variables declared later in the text would share their cells, so every such
    // operand is raised above all of them.
    int globals = static_cast<int>(variables_.size());
    for (const auto& [cell, count] : frameCells_) code_.SetCell(cell, code_.Cell(cell) + (globals - count));

    variables_.clear();
    ReleaseProcedures(registeredProcedures_);
    constants_.resize(static_cast<std::size_t>(registeredConstants_));

    Next();
    if (!IsEnd()) Raise("Expecting end of file");
    if (code_.ConditionsEntry() == -1) Raise("Missing Conditions block");
    Emit(OP_END);
}

void Compiler::GlobalObject() {
    if (IsKeyword("import")) Import();
    else if (IsKeyword("Conditions")) ConditionsTable();
    else if (IsKeyword("Orders")) OrdersTable();
    else if (IsKeyword("Exceptions")) ExceptionsTable();
    else if (IsKeyword("var")) VariableList();
    else if (IsKeyword("const")) ConstantList();
    else if (IsKeyword("procedure")) ProcedureDeclaration();
    else Raise("Unknown object");
}

void Compiler::Import() {
    Next();
    if (!IsString()) Raise("Import file lacks quotes");
    if (importDepth_ >= MAX_IMPORT_DEPTH) Raise("Imports nested too deeply");
    std::string name = TokenText();
    std::string path = importDirectory_.empty() ? name : importDirectory_ + "\\" + name;

    std::unique_ptr<TokenSource> outer = TakeSource();
    int outerLine = LineNumber();
    std::string outerFile = errorFile_;
    auto restore = [&] {
        Close();
        RestoreSource(std::move(outer));
        SetLineNumber(outerLine);
    };
    if (!Open(path)) {
        restore();
        Raise("Import file would not open");
    }
    SetLineNumber(1);
    errorFile_ = path;
    ++importDepth_;
    try {
        Next();
        while (!IsEnd()) {
            GlobalObject();
            if (!IsPunct(';')) Raise("Missing semicolon");
            Next();
        }
    } catch (const CompileError&) {
        // The error keeps the imported file's line; the outer text is taken up again for closing.
        --importDepth_;
        restore();
        throw;
    }
    --importDepth_;
    restore();
    errorFile_ = outerFile;
    Next();
}

void Compiler::ConditionsTable() {
    if (!IsKeyword("Conditions")) Raise("Missing 'Conditions' keyword");
    Next();
    if (!IsPunct('{')) Raise("Missing open bracket");
    std::int32_t end = EmitJump(OP_JUMP);
    Next();
    if (IsKeyword("var")) {
        VariableList();
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }
    if (code_.ConditionsEntry() != -1) Raise("Duplicate Conditions table");
    code_.SetConditionsEntry(position_);
    while (!IsPunct('}')) {
        Assignment();
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }
    Emit(OP_END);
    Complete(end, position_);
    Next();
}

void Compiler::OrdersTable() {
    if (!IsKeyword("Orders")) Raise("Missing 'Orders' keyword");
    Next();
    if (!IsKeyword("for")) Raise("Missing 'for' keyword");
    Next();
    if (!IsName()) Raise("Illegal group name");
    std::string group = TokenText();
    std::int32_t existing;
    if (code_.FindOrders(group, existing)) Raise("Duplicate group Orders table");
    std::int32_t end = EmitJump(OP_JUMP);
    code_.AddOrders(group, position_);
    Next();
    if (!IsPunct('{')) Raise("Missing open bracket");
    Next();
    while (!IsPunct('}')) {
        // A rule: its conditions, all of which must hold, then the call it makes.
        Emit(OP_PUSH);
        Emit(1);
        for (;;) {
            int v = IsName() ? FindVariable(TokenText()) : -1;
            if (v < 0) Raise("Unknown condition");
            EmitLoad(v);
            Emit(OP_AND);
            Next();
            if (!IsPunct(',')) break;
            Next();
        }
        std::int32_t next = EmitJump(OP_JUMPFALSE);
        ProcedureCall();
        Emit(OP_DROP);
        Emit(OP_END);
        Complete(next, position_);
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }
    Emit(OP_END);
    Complete(end, position_);
    Next();
}

void Compiler::ExceptionsTable() {
    if (!IsKeyword("Exceptions")) Raise("Missing 'Exceptions' keyword");
    Next();
    std::int32_t end = EmitJump(OP_JUMP);
    if (IsKeyword("for")) {
        Next();
        if (!IsName()) Raise("Illegal group name");
        std::string group = TokenText();
        std::int32_t existing;
        if (code_.FindExceptions(group, existing)) Raise("Duplicate group Exceptions table");
        code_.AddExceptions(group, position_);
        Next();
    } else {
        if (code_.ExceptionsEntry() != -1) Raise("Duplicate Exceptions table");
        code_.SetExceptionsEntry(position_);
    }
    if (!IsPunct('{')) Raise("Missing open bracket");
    Next();
    while (!IsPunct('}')) {
        ProcedureCall();
        Emit(OP_DROP);
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }
    Emit(OP_END);
    Complete(end, position_);
    Next();
}

void Compiler::VariableList() {
    do {
        Next();
        if (!IsName()) Raise("Illegal variable identifier");
        if (NameInUse(TokenText())) Raise("Duplicate identifier");
        int index = static_cast<int>(variables_.size());
        Emit(OP_PUSH);
        Emit(0);
        Emit(OP_STORE);
        Emit(index);
        variables_.push_back({TokenText(), 0, level_});
        Next();
    } while (IsPunct(','));
}

void Compiler::ConstantList() {
    do {
        Next();
        if (!IsName()) Raise("Illegal constant identifier");
        if (NameInUse(TokenText())) Raise("Duplicate identifier");
        std::string name = TokenText();
        Next();
        bool negative = false;
        if (IsPunct('-')) {
            negative = true;
            Next();
        }
        if (!IsNumber()) Raise("Illegal constant");
        std::int32_t value = NumberValue();
        if (negative) value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
        constants_.push_back({name, value});
        Next();
    } while (IsPunct(','));
}

// ---- procedures ---------------------------------------------------------------------------

void Compiler::ProcedureDeclaration() {
    if (!IsKeyword("procedure")) Raise("Missing 'procedure' keyword");
    std::int32_t after = EmitJump(OP_JUMP);
    Next();
    if (!IsName()) Raise("Illegal procedure name");
    std::string name = TokenText();
    if (FindVariable(name) >= 0 || FindConstant(name) >= 0) Raise("Duplicate identifier");

    ++level_;
    PROCEDURE_INFO entry;
    entry.name = name;
    entry.level = level_;
    entry.address = position_;
    entry.variableMark = static_cast<int>(variables_.size());

    Next();
    if (!IsPunct('(')) Raise("Missing open parenthesis");
    Next();
    FormalParameterList(entry);
    if (!IsPunct(')')) Raise("Missing close parenthesis");

    int self = FindProcedure(name, entry.parameterCount);
    bool completedPrototype = false;
    if (self < 0) {
        procedures_.push_back(entry);
        self = static_cast<int>(procedures_.size()) - 1;
    } else if (procedures_[static_cast<std::size_t>(self)].level == -1) {
        PROCEDURE_INFO& proto = procedures_[static_cast<std::size_t>(self)];
        proto.level = entry.level;
        proto.variableMark = entry.variableMark;
        proto.address = entry.address;
        for (std::int32_t call : proto.forwardCalls) {
            code_.SetCell(call + 1, proto.level);
            code_.SetCell(call + 2, code_.Cell(call + 2) - proto.variableMark);
            code_.SetCell(call + 3, proto.address);
        }
        proto.forwardCalls.clear();
        completedPrototype = true;
    } else {
        Raise("Duplicate procedure identifier");
    }

    Next();
    if (IsPunct(';')) {
        if (completedPrototype) Raise("Procedure has multiple prototypes");
        --level_;
        procedures_[static_cast<std::size_t>(self)].level = -1;
        variables_.resize(static_cast<std::size_t>(entry.variableMark));
    } else {
        // The arguments arrive as addresses, the last on top.
        for (int p = entry.parameterCount - 1; p >= 0; --p) {
            int index = entry.variableMark + p;
            Emit(variables_[static_cast<std::size_t>(index)].kind == 1 ? OP_STORE : OP_COPYIN);
            Emit(index);
        }
        // A loop around the declaration is not the body's: break and continue must not jump
        // out of the procedure.
        LOOP_INFO outerLoop = std::move(loop_);
        std::vector<LOOP_INFO> outerLoops = std::move(loops_);
        loop_ = LOOP_INFO{};
        loops_.clear();
        Block();
        loop_ = std::move(outerLoop);
        loops_ = std::move(outerLoops);
        --level_;
        variables_.resize(static_cast<std::size_t>(entry.variableMark));
        Emit(OP_PUSH);
        Emit(0);
        Emit(OP_RETURN);
    }
    Complete(after, position_);
}

void Compiler::FormalParameterList(PROCEDURE_INFO& procedure) {
    if (!IsPunct(')')) {
        for (;;) {
            int kind = 0;
            if (IsKeyword("var")) {
                kind = 1;
                Next();
            }
            if (!IsName()) Raise("Illegal formal parameter");
            if (NameInUse(TokenText())) Raise("Duplicate identifier");
            if (kind == 0 && procedure.parameterCount < 32) procedure.mark |= 1u << procedure.parameterCount;
            procedure.byValue.push_back(kind == 0);
            variables_.push_back({TokenText(), kind, level_});
            ++procedure.parameterCount;
            Next();
            if (!IsPunct(',')) break;
            Next();
        }
    }
    if (procedure.parameterCount < 32) procedure.mark |= 1u << procedure.parameterCount;
}

// ---- statements ---------------------------------------------------------------------------

void Compiler::Block() {
    Depth depth(*this);
    if (!IsPunct('{')) Raise("Missing open bracket");
    blocks_.push_back(block_);
    block_ = {static_cast<int>(variables_.size()), static_cast<int>(procedures_.size())};
    Next();
    while (!IsPunct('}')) {
        Statement();
        if (!IsPunct(';')) Raise("Missing semicolon");
        Next();
    }
    variables_.resize(static_cast<std::size_t>(block_.variableMark));
    ReleaseProcedures(block_.procedureMark);
    block_ = blocks_.back();
    blocks_.pop_back();
    Next();
}

void Compiler::Statement() {
    Depth depth(*this);
    if (IsPunct('{')) Block();
    else if (IsKeyword("var")) VariableList();
    else if (IsKeyword("const")) ConstantList();
    else if (IsKeyword("if")) If();
    else if (IsKeyword("for")) For();
    else if (IsKeyword("while")) While();
    else if (IsKeyword("procedure")) ProcedureDeclaration();
    else if (IsKeyword("watch")) Watch();
    else if (IsKeyword("write")) Write();
    else if (IsKeyword("break")) {
        if (!loop_.active) Raise("Keyword 'break' found outside of any loop");
        loop_.breaks.push_back(EmitJump(OP_JUMP));
        Next();
    } else if (IsKeyword("continue")) {
        if (!loop_.active) Raise("Keyword 'continue' found outside of any loop");
        Emit(OP_JUMP);
        Emit(loop_.continueAddress);
        Next();
    } else if (IsKeyword("return")) {
        if (level_ == 0) Raise("Keyword 'return' found outside of any procedure");
        Next();
        if (IsPunct(';')) {
            Emit(OP_PUSH);
            Emit(0);
        } else {
            Expression();
        }
        Emit(OP_RETURN);
    } else if (!IsName()) {
        Raise("Illegal statement");
    } else if (FindVariable(TokenText()) >= 0) {
        Assignment();
    } else {
        ProcedureCall();
        Emit(OP_DROP);
    }
}

void Compiler::Assignment() {
    int v = IsName() ? FindVariable(TokenText()) : -1;
    if (v < 0) Raise("Unknown identifier");
    Next();
    if (!IsPunct('=')) Raise("Assignment missing '='");
    Next();
    Expression();
    EmitStore(v);
}

void Compiler::If() {
    if (!IsKeyword("if")) Raise("Missing 'if' keyword");
    Next();
    Expression();
    std::int32_t otherwise = EmitJump(OP_JUMPFALSE);
    Statement();
    if (IsKeyword("else")) {
        std::int32_t end = EmitJump(OP_JUMP);
        Complete(otherwise, position_);
        Next();
        Statement();
        Complete(end, position_);
    } else {
        Complete(otherwise, position_);
    }
}

void Compiler::For() {
    if (!IsKeyword("for")) Raise("Missing 'for' keyword");
    Next();
    int v = IsName() ? FindVariable(TokenText()) : -1;
    if (v < 0) Raise("Unknown identifier");
    Next();
    if (!IsPunct('=')) Raise("For statement missing '='");
    Next();
    Expression();
    EmitStore(v);
    std::int32_t step;
    if (IsKeyword("to")) step = 1;
    else if (IsKeyword("downto")) step = -1;
    else Raise("Missing directional keyword");

    std::int32_t toTest = EmitJump(OP_JUMP);
    loops_.push_back(std::move(loop_));
    loop_ = LOOP_INFO{true, position_, {}};
    EmitLoad(v);
    Emit(OP_PUSH);
    Emit(step);
    Emit(OP_ADD);
    EmitStore(v);
    Complete(toTest, position_);
    Next();
    Expression();
    EmitLoad(v);
    Emit(step == 1 ? OP_GE : OP_LE);
    std::int32_t exit = EmitJump(OP_JUMPFALSE);
    Statement();
    Emit(OP_JUMP);
    Emit(loop_.continueAddress);
    for (std::int32_t b : loop_.breaks) Complete(b, position_);
    loop_ = std::move(loops_.back());
    loops_.pop_back();
    Complete(exit, position_);
}

void Compiler::While() {
    if (!IsKeyword("while")) Raise("Missing 'while' keyword");
    loops_.push_back(std::move(loop_));
    loop_ = LOOP_INFO{true, position_, {}};
    Next();
    Expression();
    std::int32_t exit = EmitJump(OP_JUMPFALSE);
    Statement();
    Emit(OP_JUMP);
    Emit(loop_.continueAddress);
    for (std::int32_t b : loop_.breaks) Complete(b, position_);
    loop_ = std::move(loops_.back());
    loops_.pop_back();
    Complete(exit, position_);
}

void Compiler::Watch() {
    if (!IsKeyword("watch")) Raise("Missing 'watch' keyword");
    Next();
    if (IsString()) {
        std::size_t n = std::strlen(TokenText());
        Emit(OP_SKIP);
        Emit(static_cast<std::int32_t>(n));
        for (std::size_t i = 0; i < n; ++i) Emit(static_cast<unsigned char>(TokenText()[i]));
        Next();
    }
    Expression();
    Emit(OP_WATCH);
    Emit(LineNumber());
}

void Compiler::Write() {
    if (!IsKeyword("write")) Raise("Missing 'write' keyword");
    Next();
    if (!IsString()) Raise("Write string lacks quotes");
    std::size_t n = std::strlen(TokenText());
    Emit(OP_SKIP);
    Emit(static_cast<std::int32_t>(n + 1));
    for (std::size_t i = 0; i < n; ++i) Emit(static_cast<unsigned char>(TokenText()[i]));
    Emit(10);
    Next();
}

// ---- expressions --------------------------------------------------------------------------

void Compiler::Expression() {
    Depth depth(*this);
    SubExpression();
    std::int32_t op = 0;
    if (IsKeyword("AND")) op = OP_AND;
    else if (IsKeyword("OR")) op = OP_OR;
    else if (IsKeyword("XOR")) op = OP_XOR;
    if (op == 0) return;
    Next();
    Expression();
    Emit(op);
}

void Compiler::SubExpression() {
    SimpleExpression();
    std::int32_t op = 0;
    if (IsPunct('<')) {
        Next();
        op = OP_LT;
        if (IsPunct('=')) {
            op = OP_LE;
            Next();
        }
    } else if (IsPunct('>')) {
        Next();
        op = OP_GT;
        if (IsPunct('=')) {
            op = OP_GE;
            Next();
        }
    } else if (IsPunct('=') || IsPunct('!')) {
        op = IsPunct('=') ? OP_EQ : OP_NE;
        Next();
        if (!IsPunct('=')) Raise("Illeagal relational operator");
        Next();
    }
    if (op == 0) return;
    SimpleExpression();
    Emit(op);
}

void Compiler::SimpleExpression() {
    Depth depth(*this);
    Term();
    std::int32_t op = IsPunct('+') ? OP_ADD : IsPunct('-') ? OP_SUB : 0;
    if (op == 0) return;
    Next();
    SimpleExpression();
    Emit(op);
}

void Compiler::Term() {
    Depth depth(*this);
    Factor();
    std::int32_t op = IsPunct('*') ? OP_MUL : IsPunct('/') ? OP_DIV : 0;
    if (op == 0) return;
    Next();
    Term();
    Emit(op);
}

void Compiler::Factor() {
    Depth depth(*this);
    if (IsPunct('(')) {
        Next();
        Expression();
        if (!IsPunct(')')) Raise("Missing close parenthesis");
        Next();
    } else if (IsKeyword("NOT")) {
        Next();
        Factor();
        Emit(OP_NOT);
    } else if (IsKeyword("Can")) {
        Next();
        ProcedureCall();
    } else if (IsPunct('-') || IsNumber()) {
        Literal();
    } else if (int v = IsName() ? FindVariable(TokenText()) : -1; v >= 0) {
        EmitLoad(v);
        Next();
    } else if (int c = IsName() ? FindConstant(TokenText()) : -1; c >= 0) {
        Emit(OP_PUSH);
        Emit(constants_[static_cast<std::size_t>(c)].value);
        Next();
    } else {
        ProcedureCall();
    }
}

void Compiler::Literal() {
    bool negative = false;
    if (IsPunct('-')) {
        negative = true;
        Next();
    }
    if (!IsNumber()) Raise("Illegal number");
    std::int32_t value = NumberValue();
    if (negative) value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
    Emit(OP_PUSH);
    Emit(value);
    Next();
}

void Compiler::ProcedureCall() {
    std::string name = TokenText();
    if (!IsName() || FindProcedureNamed(name) < 0) Raise("Unknown identifier");
    Next();
    if (!IsPunct('(')) Raise("Missing open parenthesis");
    Next();

    // Arguments go as addresses: a variable's own cell, or a temporary cell holding an
    // expression's value. A call nested in an argument takes its temporaries above those this
    // call has already filled.
    const int outerTemporaries = temporariesInUse_;
    int temporaries = 0;
    std::vector<bool> isExpression;
    if (!IsPunct(')')) {
        for (;;) {
            int v = IsName() ? FindVariable(TokenText()) : -1;
            if (v >= 0) {
                const VARIABLE_INFO& var = variables_[static_cast<std::size_t>(v)];
                bool enclosing = var.level < level_;
                if (var.kind == 1) {
                    // The cell already holds the caller's address.
                    Emit(enclosing ? OP_LOADUP : OP_LOAD);
                } else {
                    Emit(enclosing ? OP_ADDRUP : OP_ADDR);
                }
                if (enclosing) Emit(var.level);
                Emit(v);
                isExpression.push_back(false);
                Next();
                if (!IsPunct(',') && !IsPunct(')')) Raise("Missing close parenthesis");
            } else {
                temporariesInUse_ = outerTemporaries + temporaries;
                Expression();
                temporariesInUse_ = outerTemporaries;
                std::int32_t cell = static_cast<std::int32_t>(variables_.size()) + outerTemporaries + temporaries;
                Emit(OP_STORE);
                EmitFrameRelative(cell);
                Emit(OP_ADDR);
                EmitFrameRelative(cell);
                ++temporaries;
                isExpression.push_back(true);
            }
            if (!IsPunct(',')) break;
            Next();
        }
    }
    if (!IsPunct(')')) Raise("Missing close parenthesis");

    int count = static_cast<int>(isExpression.size());
    int p = FindProcedure(name, count);
    if (p < 0) Raise("Wrong number of arguments");
    PROCEDURE_INFO& proc = procedures_[static_cast<std::size_t>(p)];
    for (int i = 0; i < count; ++i)
        if (isExpression[static_cast<std::size_t>(i)] && !proc.byValue[static_cast<std::size_t>(i)])
            Raise("Cannot pass non-variable by reference");

    std::int32_t frame = static_cast<std::int32_t>(variables_.size()) + outerTemporaries + temporaries;
    if (proc.level == 0) {
        Emit(OP_CALLBUILTIN);
        Emit(static_cast<std::int8_t>(proc.mark & 0xFF));
        Emit(p);
    } else if (proc.level == -1) {
        proc.forwardCalls.push_back(position_);
        Emit(OP_CALL);
        Emit(0);
        EmitFrameRelative(frame);
        Emit(0);
    } else {
        Emit(OP_CALL);
        Emit(proc.level);
        EmitFrameRelative(frame - proc.variableMark);
        Emit(proc.address);
    }
    Next();
}
