module f(input wire x0, input wire x1, input wire x2, input wire x3, output wire f0, output wire f1);
  assign f0 = ~x0 & ~x2 & ~x3;
  assign f1 = (x1 & x2 & x3) | (x0 & x2);
endmodule
