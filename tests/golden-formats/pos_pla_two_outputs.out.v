module f(input wire a, input wire b, input wire c, output wire s, output wire t);
  assign s = a | c;
  assign t = (a | ~c) & (a | ~b) & (~a | b);
endmodule
