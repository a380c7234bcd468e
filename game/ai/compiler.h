#pragma once
// Compiles a computer-player script into a Code in one pass of recursive descent, writing the
// instructions as it parses. Every error ends the compilation; its text, line and file are kept
// for the caller. Constants and built-in procedures registered before compiling survive every
// compilation.
#include "game/ai/builtin.h"
#include "game/ai/code.h"
#include "game/ai/tokenizer.h"

#include <cstdint>
#include <string>
#include <vector>

struct VARIABLE_INFO {
    std::string name;
    int kind;   // 0 plain, 1 reference parameter (its cell holds the caller's address)
    int level;
};

struct CONSTANT_INFO {
    std::string name;
    std::int32_t value;
};

struct PROCEDURE_INFO {
    std::string name;
    int parameterCount = 0;
    std::uint32_t mark = 0;              // built-ins: bit i set = parameter i by value, and a bit at the count
    std::vector<bool> byValue;           // per parameter, for every procedure
    int level = 0;                       // 0 built-in, -1 prototype without body, else the body's level
    std::int32_t address = 0;            // the body's first cell
    BuiltInFunction function = nullptr;  // built-ins only
    int variableMark = 0;                // variable count when the procedure was declared
    std::vector<std::int32_t> forwardCalls;  // CALLs compiled before the body (their opcode cells)
};

struct LOOP_INFO {
    bool active = false;
    std::int32_t continueAddress = 0;
    std::vector<std::int32_t> breaks;    // operand cells of pending break jumps
};

struct BLOCK_INFO {
    int variableMark;
    int procedureMark;
};

class Compiler : public StreamTokenizer {
public:
    explicit Compiler(Code& code);
    ~Compiler() override;

    // Registration of the program's named constants and built-in procedures. A built-in's number
    // is its place in the procedure table; the interpreter must get the same functions in the
    // same order. The parameter string has one digit per parameter: "1" by value, "0" by
    // reference; false for more than seven parameters or another character.
    void AddConstant(const std::string& name, std::int32_t value);
    bool AddProcedure(const std::string& name, const std::string& parameters, BuiltInFunction function);
    int RegisteredProcedureCount() const { return registeredProcedures_; }
    int RegisteredConstantCount() const { return registeredConstants_; }
    const PROCEDURE_INFO& Procedure(int index) const { return procedures_[static_cast<std::size_t>(index)]; }

    // The directory that "import" names are taken from (the game's script directory).
    void SetImportDirectory(const std::string& directory) { importDirectory_ = directory; }

    // 1 when the script compiled into the Code (which is then valid), 0 on any error.
    int CompileFile(const std::string& fileName);

    // The last compilation's error: its text, the source line and the file it was found in.
    const std::string& ErrorText() const { return errorText_; }
    int ErrorLine() const { return errorLine_; }
    const std::string& ErrorFile() const { return errorFile_; }

private:
    struct CompileError {};
    [[noreturn]] void Raise(const std::string& text);

    // Tokens.
    void Next();
    bool IsName() const { return (TokenClass() & TOKEN_WORD) != 0; }
    bool IsNumber() const { return (TokenClass() & TOKEN_DIGIT) != 0; }
    bool IsString() const { return (TokenClass() & TOKEN_QUOTE) != 0; }
    bool IsEnd() const { return (TokenClass() & TOKEN_END) != 0; }
    bool IsPunct(char c) const;
    bool IsKeyword(const char* word) const;

    // Tables.
    int FindVariable(const std::string& name) const;
    int FindConstant(const std::string& name) const;
    int FindProcedureNamed(const std::string& name) const;
    int FindProcedure(const std::string& name, int parameterCount) const;
    bool NameInUse(const std::string& name) const;
    void ReleaseProcedures(int mark);

    // Code.
    void Emit(std::int32_t cell);
    std::int32_t EmitJump(std::int32_t opcode);  // returns the operand cell to complete
    void Complete(std::int32_t operandCell, std::int32_t target);
    void EmitLoad(int variable);
    void EmitStore(int variable);
    void EmitFrameRelative(std::int32_t cell);  // an operand that must lie above the globals at the top

    // Grammar rules. Each starts on its first token and ends on the token that follows it.
    void Program();
    void GlobalObject();
    void Import();
    void ConditionsTable();
    void OrdersTable();
    void ExceptionsTable();
    void VariableList();
    void ConstantList();
    void ProcedureDeclaration();
    void FormalParameterList(PROCEDURE_INFO& procedure);
    void Block();
    void Statement();
    void Assignment();
    void If();
    void For();
    void While();
    void Watch();
    void Write();
    void Expression();
    void SubExpression();
    void SimpleExpression();
    void Term();
    void Factor();
    void Literal();
    void ProcedureCall();
    std::int32_t NumberValue() const;

    class Depth;

    Code& code_;
    std::int32_t position_ = 0;
    std::vector<VARIABLE_INFO> variables_;
    std::vector<CONSTANT_INFO> constants_;
    std::vector<PROCEDURE_INFO> procedures_;
    int registeredConstants_ = 0;
    int registeredProcedures_ = 0;
    int level_ = 0;
    LOOP_INFO loop_;
    std::vector<LOOP_INFO> loops_;
    BLOCK_INFO block_{0, 0};
    std::vector<BLOCK_INFO> blocks_;
    // Temporary cells already taken by the argument lists of enclosing calls.
    int temporariesInUse_ = 0;
    // Operand cells of top-level code that address cells above the variables; once the number of
    // top-level variables is known they are raised above all of them. Pairs of cell and the
    // variable count when the cell was written.
    std::vector<std::pair<std::int32_t, int>> frameCells_;
    int importDepth_ = 0;
    int depth_ = 0;
    std::string importDirectory_;
    std::string errorText_;
    int errorLine_ = 0;
    std::string errorFile_;
};
